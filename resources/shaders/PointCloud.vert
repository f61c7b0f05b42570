// Points of one shot: hidden outside the clip box, coloured by a contour mode and marked when
// the shot is selected or highlighted. A colour with alpha 0 makes the fragment stage drop the
// point. The contour and clip functions come from PointCloudCommon.vert.

uniform int uSelected;
uniform int uHighlight;
uniform mat4 uMatrix;
uniform vec4 uShotColor;
uniform int uMode;

void main()
{
    // Set for every point, also the dropped ones, so that no vertex leaves the stage with an
    // undefined position. The eye position feeds the GL clip planes while they are enabled.
    gl_Position = ftransform();
    gl_ClipVertex = gl_ModelViewMatrix * gl_Vertex;

    if (gl_Color.a == 0.0) {
        gl_FrontColor = vec4(0.0, 0.0, 0.0, 0.0);
        return;
    }

    vec3 p = (uMatrix * gl_Vertex).xyz;
    if (isClipped(p)) {
        gl_FrontColor = vec4(0.0, 0.0, 0.0, 0.0);
        return;
    }

    // Contour colours are shaded by the point's own brightness. Modes outside 1 to 8 keep the
    // point's own colour, as mode 0 does.
    float v = max(gl_Color.r, max(gl_Color.g, gl_Color.b));
    vec4 color = gl_Color;
    if (uMode >= 1 && uMode <= 8) {
        vec4 c;
        if (uMode == 8)
            c = uShotColor;
        else if (uMode == 1)
            c = contourColor(length(gl_Position));
        else if (uMode == 2)
            c = contourColor(gl_Vertex.x);
        else if (uMode == 3)
            c = contourColor(gl_Vertex.y);
        else if (uMode == 4)
            c = contourColor(gl_Vertex.z);
        else if (uMode == 5)
            c = contourColor(p.x);
        else if (uMode == 6)
            c = contourColor(p.y);
        else
            c = contourColor(p.z);
        color = vec4(v * c.rgb, c.a);
    }

    if (uSelected == 1)
        color = vec4(v, 0.0, 0.0, 1.0);
    if (uHighlight == 1)
        color = vec4(v, v, 0.0, 1.0);
    gl_FrontColor = color;
}
