// The editor's points of one shot: coloured by a contour mode and marked when the shot is
// selected or highlighted. Deleted points (alpha 0) leave with alpha 0 and the fragment stage
// drops them. The contour and clip functions come from PointCloudCommon.vert.

uniform int uSelected;
uniform int uHighlight;
uniform mat4 uMatrix;
uniform int uMode;

void main()
{
    gl_Position = ftransform();
    vec3 p = (uMatrix * gl_Vertex).xyz;
    if (gl_Color.a == 0.0 || isClipped(p)) {
        gl_FrontColor = vec4(0.0, 0.0, 0.0, 0.0);
        return;
    }

    vec4 color = gl_Color;
    if (uMode == 1)
        color = contourColor(length(gl_Position));
    else if (uMode >= 2 && uMode <= 4)
        color = contourColor(gl_Vertex[uMode - 2]);
    else if (uMode >= 5 && uMode <= 7)
        color = contourColor(p[uMode - 5]);

    float m = max(gl_Color.r, max(gl_Color.g, gl_Color.b));
    if (uSelected == 1)
        color = vec4(m, 0.0, 0.0, 1.0);
    if (uHighlight == 1)
        color = vec4(m, m, 0.0, 1.0);
    gl_FrontColor = color;
}
