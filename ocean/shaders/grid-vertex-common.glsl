// Projected grid, vertex stage: what every variant shares. The version line and the feature
// definitions (OPENGL32, KELVIN_WAKES, PROPELLER_WASH, BREAKING_WAVES, HDR, MAX_WAKE_WAVES) come
// from the program that compiles this text.
#ifdef OPENGL32
#define VARYING out
#define TEXTURE2D_LOD textureLod
#else
#define VARYING varying
#define TEXTURE2D_LOD texture2DLod
#endif

#ifndef MAX_WAKE_WAVES
#define MAX_WAKE_WAVES 25
#endif

uniform mat4 invModelviewProj;
uniform mat4 modelview;
uniform mat4 projection;
uniform mat4 gridScale;
uniform mat3 basis;
uniform mat3 invBasis;
uniform vec3 cameraPos;
uniform vec4 plane;
uniform float seaLevel;
uniform float gridSize;
uniform float antiAliasing;
uniform float depthOffset;
uniform float fogDensity;
uniform float fogDensityBelow;
uniform vec3 floorPlanePoint;
uniform vec3 floorPlaneNormal;
uniform sampler2D heightMap;
uniform int hasHeightMap;
uniform mat4 heightMapMatrix;

// To the fragment stage. All directions are in world axes.
VARYING vec3 vLocal;       // local x, local y, height above the sea plane
VARYING vec3 vEye;         // from the surface point to the eye
VARYING vec3 vUp;          // surface up (the undisturbed sea's normal)
VARYING vec3 vReflection;  // camera-relative point for the planar reflection lookup
VARYING vec3 vWake;        // slope of the wake rings in local x and y; wash weight
VARYING vec2 vWashCoord;
VARYING float vFog;        // share of the surface color that survives the fog
VARYING float vDepth;      // water depth under the point, world units
VARYING float vFootprint;  // world size of one grid cell here, for filtering detail

#ifdef KELVIN_WAKES
struct Wake {
    float amplitude;
    float radius;
    float k;
    float halfWavelength;
    vec3 position;
    float washWidth;
    vec3 deltaPos;
    int number;
    int hasPropWash;
    vec3 propPosition;
};
uniform Wake wakes[MAX_WAKE_WAVES];
uniform int doWakes;
#ifdef PROPELLER_WASH
uniform float washLength;
#endif
#endif

// Rings left by moving wake sources: the same sum as the wake manager's height query, over the
// slots it filled. Positions are in the local frame.
float wakeHeight(vec3 local)
{
    vWake = vec3(0.0);
    vWashCoord = vec2(0.0);
    float height = 0.0;
#ifdef KELVIN_WAKES
    if (doWakes == 0)
        return 0.0;
    vec2 slope = vec2(0.0);
    for (int i = 0; i < MAX_WAKE_WAVES; i++) {
        if (wakes[i].amplitude == 0.0)
            continue;
        vec2 d = local.xy - wakes[i].position.xy;
        float r = length(d);
        float offset = r - wakes[i].radius;
        if (abs(offset) < wakes[i].halfWavelength * 2.0 && r > 0.0) {
            float phase = offset * wakes[i].k;
            height += wakes[i].amplitude * cos(phase);
            slope += d * (-wakes[i].amplitude * wakes[i].k * sin(phase) / r);
        }
#ifdef PROPELLER_WASH
        if (wakes[i].hasPropWash != 0 && wakes[i].washWidth > 0.0) {
            // The wash trails from this wave's propeller position towards the previous one's.
            vec2 along = wakes[i].deltaPos.xy;
            float segment = max(length(along), 1e-4);
            vec2 axis = along / segment;
            vec2 q = local.xy - wakes[i].propPosition.xy;
            float u = dot(q, axis);
            float across = dot(q, vec2(-axis.y, axis.x));
            if (u >= 0.0 && u <= segment && abs(across) < wakes[i].washWidth) {
                float distanceBehind = (float(wakes[i].number) * segment + u) / washLength;
                float weight = (1.0 - abs(across) / wakes[i].washWidth) *
                               clamp(1.0 - distanceBehind, 0.0, 1.0);
                if (weight > vWake.z) {
                    vWake.z = weight;
                    vWashCoord = vec2(across / wakes[i].washWidth * 0.5 + 0.5, distanceBehind);
                }
            }
        }
#endif
    }
    vWake.xy = slope;
#endif
    return height;
}

// Depth of water under a world position: the sea floor plane, or the terrain of the height map.
float waterDepth(vec3 world)
{
    float depth = dot(world - floorPlanePoint, floorPlaneNormal);
    if (hasHeightMap != 0) {
        vec4 coordinates = heightMapMatrix * vec4(world, 1.0);
        float terrain = TEXTURE2D_LOD(heightMap, coordinates.xy, 0.0).r;
        depth = min(depth, seaLevel - terrain);
    }
    return depth;
}

// Height of the camera above the sea plane, and the world position of a grid position; defined by
// the geometry of the variant.
float cameraHeight();
vec3 worldPosition(vec3 position);

// Share of the waves' displacement that a point of the undisturbed sea keeps: at most half its
// distance to the eye. While the eye is among the waves, full displacement throws the points near
// the eye around it and through it, and the sea under the eye vanishes from the picture; limited,
// every point stays within 30 degrees of its own ray.
float displacementShare(vec3 position, vec3 displacement)
{
    float reach = 0.5 * length(worldPosition(position) - cameraPos);
    float amount = length(displacement);
    return amount > reach ? reach / amount : 1.0;
}

// Clip position of a displaced point; kept inside the far plane so the distant sea reaches the
// horizon without holes.
vec4 clipPosition(vec3 position)
{
    vec4 clip = projection * (modelview * vec4(position, 1.0));
    clip.z -= depthOffset * clip.w;
    clip.z = min(clip.z, clip.w * 0.999999);
    return clip;
}

// Shared outputs once the surface point is known. distanceToEye in world units.
void finishVertex(float distanceToEye, float cellsAcross)
{
    float density = cameraHeight() >= 0.0 ? fogDensity : fogDensityBelow;
    vFog = exp(-density * distanceToEye);
    vFootprint = antiAliasing * distanceToEye * 2.0 / max(gridSize * cellsAcross, 1.0);
}
