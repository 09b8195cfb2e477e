#ifdef OPENGL32
in vec2 vertex;
#define GRID_VERTEX vertex
#else
#define GRID_VERTEX gl_Vertex.xy
#endif

void main()
{
    vec2 screen = (gridScale * vec4(GRID_VERTEX, 0.0, 1.0)).xy;
    displaceAndFinish(seaPoint(screen), 1.0);
}
