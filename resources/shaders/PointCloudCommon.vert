// The contour colouring and the clip box test of the point vertex programs; the shader build
// puts this file before the program's own.

uniform float uValueMax;
uniform float uValueMin;
uniform vec4 uColorMax;
uniform vec4 uColorMin;
uniform int uClipEffect;
uniform vec4 uClipPlane0;
uniform vec4 uClipPlane1;
uniform vec4 uClipPlane2;
uniform vec4 uClipPlane3;
uniform vec4 uClipPlane4;
uniform vec4 uClipPlane5;

// Hue in degrees. A grey (all channels equal) has no hue: it gets 0 instead of 0 / 0.
vec3 rgbToHsv(vec3 iColor)
{
    float vMax = max(iColor.r, max(iColor.g, iColor.b));
    float vMin = min(iColor.r, min(iColor.g, iColor.b));
    if (vMax == 0.0)
        return vec3(0.0, 0.0, 0.0);
    float range = vMax - vMin;
    float h = 0.0;
    if (range > 0.0) {
        if (vMax == iColor.r)
            h = 60.0 * (iColor.g - iColor.b) / range;
        else if (vMax == iColor.g)
            h = 60.0 * (iColor.b - iColor.r) / range + 120.0;
        else
            h = 60.0 * (iColor.r - iColor.g) / range + 240.0;
        if (h < 0.0)
            h += 360.0;
    }
    return vec3(h, range / vMax, vMax);
}

vec3 hsvToRgb(vec3 iHsv)
{
    float v = iHsv.z;
    float s = iHsv.y;
    if (s == 0.0)
        return vec3(v, v, v);
    float sector = floor(iHsv.x / 60.0);
    int i = int(sector);
    float f = iHsv.x / 60.0 - sector;
    float m = v * (1.0 - s);
    float n = v * (1.0 - s * f);
    float k = v * (1.0 - s * (1.0 - f));
    if (i == 0)
        return vec3(v, k, m);
    if (i == 1)
        return vec3(n, v, m);
    if (i == 2)
        return vec3(m, v, k);
    if (i == 3)
        return vec3(m, n, v);
    if (i == 4)
        return vec3(k, m, v);
    return vec3(v, m, n);
}

// The hue is interpolated without wrapping round 360.
vec4 contourColor(float iValue)
{
    if (uValueMax <= uValueMin)
        return vec4(0.0, 0.0, 0.0, 1.0);
    vec3 hsvMax = rgbToHsv(uColorMax.rgb);
    vec3 hsvMin = rgbToHsv(uColorMin.rgb);
    float ratio = (iValue - uValueMin) / (uValueMax - uValueMin);
    vec3 hsv;
    float alpha;
    if (ratio < 0.0) {
        hsv = hsvMin;
        alpha = uColorMin.a;
    } else if (ratio > 1.0) {
        hsv = hsvMax;
        alpha = uColorMax.a;
    } else {
        hsv = (hsvMax - hsvMin) * ratio + hsvMin;
        alpha = (uColorMax.a - uColorMin.a) * ratio + uColorMin.a;
    }
    return vec4(hsvToRgb(hsv), alpha);
}

// Inside is a x + b y + c z <= d; a point on the plane stays.
bool isOutside(vec4 iPlane, vec3 iPoint)
{
    return iPlane.w < dot(iPlane.xyz, iPoint);
}

// The world position iPoint lies outside the clip box while the box takes effect.
bool isClipped(vec3 iPoint)
{
    return uClipEffect == 1
        && (isOutside(uClipPlane0, iPoint) || isOutside(uClipPlane1, iPoint) || isOutside(uClipPlane2, iPoint)
            || isOutside(uClipPlane3, iPoint) || isOutside(uClipPlane4, iPoint) || isOutside(uClipPlane5, iPoint));
}
