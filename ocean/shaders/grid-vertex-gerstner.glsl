// Gerstner waves, vertex stage: the height is the sum of a sin(k (D . p) + w t), exactly as the
// model's height query; the normal is evaluated per fragment from the same waves.
#ifdef OPENGL32
in vec2 vertex;
#define GRID_VERTEX vertex
#else
#define GRID_VERTEX gl_Vertex.xy
#endif

float gerstnerHeight(vec2 local)
{
    float height = 0.0;
    for (int i = 0; i < MAX_WAVES; i++) {
        if (i >= numWaves)
            break;
        height += waves[i].amplitude * sin(gerstnerPhase(i, local));
    }
    return height;
}

void main()
{
    vec2 screen = (gridScale * vec4(GRID_VERTEX, 0.0, 1.0)).xy;
    vec3 position = seaPoint(screen);
    vec3 up = seaUp(position);
    vec2 local = localCoordinates(position);
    float height = gerstnerHeight(local) + wakeHeight(vec3(local, 0.0));
    height *= displacementShare(position, up * height);
    vec3 displaced = position + up * height;

    vLocal = vec3(local, height);
    vUp = up;
    vEye = (cameraPos - worldPosition(displaced));
    vReflection = worldPosition(position) - cameraPos;
    vDepth = waterDepth(worldPosition(position)) + height;
    finishVertex(length(vEye), 1.0);
    gl_Position = clipPosition(displaced);
}
