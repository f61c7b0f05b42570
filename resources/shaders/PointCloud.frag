// Drops the points that the vertex stage made fully transparent.

void main()
{
    if (gl_Color.a == 0.0)
        discard;
    gl_FragColor = gl_Color;
}
