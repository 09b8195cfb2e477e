// Patches: the host's own geometry on the sea, placed by its model matrix.
uniform mat4 modelMatrix;
#ifdef OPENGL32
in vec3 vertex;
#define PATCH_VERTEX vertex
#else
#define PATCH_VERTEX gl_Vertex.xyz
#endif

void main()
{
    vec3 world = (modelMatrix * vec4(PATCH_VERTEX, 1.0)).xyz;
    vec3 position = world - worldPosition(vec3(0.0));
    displaceAndFinish(position, 4.0);
}
