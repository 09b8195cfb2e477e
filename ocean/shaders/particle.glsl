// Spray particle vertex shader. Each particle was written once with its start state; here it flies
// ballistically under g from its start time. Positions are world coordinates; the view is taken
// relative to the camera so that large worlds keep their precision.
//
// Preamble: a version line, OPENGL32 for GLSL 1.50, POINT_SPRITES when one vertex per particle is
// drawn as a point sprite (otherwise six vertices form a quad facing the camera).

#ifdef OPENGL32
#define ATTRIBUTE in
#define VARYING out
#define SAMPLE_LOD textureLod
#else
#define ATTRIBUTE attribute
#define VARYING varying
#define SAMPLE_LOD texture2DLod
#endif

ATTRIBUTE vec3 initialPosition;
ATTRIBUTE vec3 initialVelocity;
ATTRIBUTE float size;
ATTRIBUTE float startTime;
ATTRIBUTE float offsetX;
ATTRIBUTE float offsetY;
ATTRIBUTE float texCoordX;
ATTRIBUTE float texCoordY;

uniform mat4 modelView;    // camera rotation only
uniform mat4 mvProj;       // modelView times projection
uniform float time;        // relative to the particles' reference time
uniform vec3 g;            // gravity, world units per second squared
uniform vec3 cameraPos;
uniform vec4 lightColor;
uniform float transparency;
uniform sampler2D heightMap;
uniform mat4 heightMapMatrix;
uniform int hasHeightMap;
uniform float invSizeFactor; // 1 / viewport width at emission: size * invSizeFactor is world size

VARYING vec2 texCoord;
VARYING vec4 particleColor;

void main()
{
    float age = time - startTime;
    vec3 position = initialPosition + initialVelocity * age + 0.5 * g * age * age;
    float gravity = length(g);
    vec3 up = gravity > 0.0 ? -g / gravity : vec3(0.0, 0.0, 1.0);
    float worldSize = size * invSizeFactor;

    // A particle lives from its start until it falls back below the height it was thrown from.
    bool alive = age >= 0.0 && size > 0.0 && dot(position - initialPosition, up) > -worldSize;
    if (hasHeightMap != 0) {
        // Terrain above the sea (a positive height) swallows spray that flies over it.
        vec4 mapCoord = heightMapMatrix * vec4(position, 1.0);
        if (SAMPLE_LOD(heightMap, mapCoord.xy, 0.0).x > 0.0)
            alive = false;
    }

    vec3 relative = position - cameraPos;
    vec3 right = vec3(modelView[0][0], modelView[1][0], modelView[2][0]);
    vec3 viewUp = vec3(modelView[0][1], modelView[1][1], modelView[2][1]);

#ifdef POINT_SPRITES
    vec4 centre = mvProj * vec4(relative, 1.0);
    vec4 edge = mvProj * vec4(relative + right * worldSize, 1.0);
    // Half the clip-space span of the particle, in pixels: 0.5 * viewport width per NDC unit.
    float span = abs(edge.x / edge.w - centre.x / centre.w);
    gl_Position = centre;
    gl_PointSize = alive ? max(1.0, 0.5 * span / invSizeFactor) : 0.0;
    texCoord = vec2(0.0);
#else
    vec3 corner = relative + right * offsetX + viewUp * offsetY;
    gl_Position = mvProj * vec4(corner, 1.0);
    texCoord = vec2(texCoordX, texCoordY);
#endif

    if (!alive)
        gl_Position = vec4(2.0, 2.0, 2.0, 1.0); // outside the view volume

    // Spray fades as it falls.
    float fade = clamp(1.0 - age * 0.25, 0.0, 1.0);
    particleColor = vec4(lightColor.rgb, lightColor.a * transparency * fade);
}
