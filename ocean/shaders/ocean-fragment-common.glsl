// Sea surface, fragment stage: shading shared by every wave model. The version line and the
// feature definitions come from the program that compiles this text.
#ifdef OPENGL32
#define VARYING in
#define TEXTURE2D texture
#define TEXTURECUBE texture
out vec4 fragColor;
#define FRAG_COLOR fragColor
#else
#define VARYING varying
#define TEXTURE2D texture2D
#define TEXTURECUBE textureCube
#define FRAG_COLOR gl_FragColor
#endif

uniform vec3 L;
uniform vec3 lightColor;
uniform vec3 ambientColor;
uniform vec3 refractColor;
uniform float shininess;
uniform samplerCube cubeMap;
uniform int hasEnvMap;
uniform mat3 cubeMapMatrix;
uniform sampler2D planarReflectionMap;
uniform int hasPlanarReflectionMap;
uniform mat3 planarReflectionMapMatrix;
uniform float planarReflectionDisplacementScale;
uniform float planarReflectionBlend;
uniform sampler2D foamTex;
uniform float foamScale;
uniform float foamBlend;
uniform sampler2D noiseTex;
#ifdef PROPELLER_WASH
uniform sampler2D washTex;
#endif
uniform vec3 fogColor;
uniform float fogDensityBelow;
uniform mat3 invBasis;

VARYING vec3 vLocal;
VARYING vec3 vEye;
VARYING vec3 vUp;
VARYING vec3 vReflection;
VARYING vec3 vWake;
VARYING vec2 vWashCoord;
VARYING float vFog;
VARYING float vDepth;
VARYING float vFootprint;

// World size of what one pixel covers here, widened by the grid's anti-aliasing setting: waves
// shorter than about two of these are faded out instead of aliasing into sparkle.
float surfaceFootprint()
{
    vec2 dx = dFdx(vLocal.xy);
    vec2 dy = dFdy(vLocal.xy);
    return max(max(length(dx), length(dy)), vFootprint * 0.25);
}

// Small ripples from the noise texture (signed values), faded out where a grid cell is larger
// than the ripples, so distant water does not sparkle.
vec2 noiseSlope(vec2 local, float phase, float strength)
{
    vec2 ripple = TEXTURE2D(noiseTex, local * 0.031 + vec2(phase * 0.013, phase * 0.007)).xy +
                  TEXTURE2D(noiseTex, local * 0.11 - vec2(phase * 0.021, -phase * 0.017)).xy;
    return ripple * strength * clamp(2.0 - surfaceFootprint() * 2.0, 0.0, 1.0);
}

// The sky seen along a world direction. The sky's cube map is addressed in a left-handed frame:
// after the host's rotation the third axis is reversed.
vec3 skyColor(vec3 direction)
{
    if (hasEnvMap == 0)
        return fogColor + ambientColor * 0.5 + vec3(0.25, 0.35, 0.45) * lightColor;
    vec3 lookup = cubeMapMatrix * direction;
    lookup.z = -lookup.z;
    return TEXTURECUBE(cubeMap, lookup).rgb;
}

// Color of the surface with the given world normal, its foam amount (0 to 1) and the upward
// part of the eye vector.
vec4 shadeSurface(vec3 normal, float foam)
{
    vec3 toEye = normalize(vEye);
    vec3 n = normal;
    float facing = dot(n, toEye);
    bool fromBelow = dot(vUp, toEye) < 0.0;
    if (fromBelow) {
        n = -n;
        facing = -facing;
    }
    // Grazing views can see normals tilted away; fold them back so the horizon stays smooth.
    if (facing < 0.0) {
        n = normalize(n - toEye * facing * 1.01);
        facing = dot(n, toEye);
    }

    float fresnel = 0.02 + 0.98 * pow(1.0 - clamp(facing, 0.0, 1.0), 5.0);
    vec3 reflected = reflect(-toEye, n);
    if (dot(reflected, vUp) < 0.0 && !fromBelow)
        reflected = reflect(reflected, vUp);

    vec3 reflection = skyColor(reflected);
    if (hasPlanarReflectionMap != 0) {
        vec3 projected = planarReflectionMapMatrix * vReflection;
        if (projected.z != 0.0) {
            vec2 coordinates = projected.xy / projected.z +
                               n.xy * planarReflectionDisplacementScale;
            vec4 scene = TEXTURE2D(planarReflectionMap, coordinates);
            reflection = mix(reflection, scene.rgb, scene.a * planarReflectionBlend);
        }
    }

    float diffuse = max(dot(n, L), 0.0);
    vec3 refraction = refractColor * (ambientColor + lightColor * (0.4 + 0.6 * diffuse));
    vec3 color = mix(refraction, reflection, fresnel);

    // The sun's glitter: the configured shininess is sharpened so the default gives a sun path.
    float sunAlong = max(dot(reflected, L), 0.0);
    float glitter = pow(sunAlong, max(shininess, 0.0) * 50.0) * 4.0 +
                    pow(sunAlong, max(shininess, 0.0) * 4.0) * 0.15;
    if (!fromBelow && dot(L, vUp) > 0.0)
        color += lightColor * glitter * (0.3 + fresnel);

    float pattern = dot(TEXTURE2D(foamTex, vLocal.xy / max(foamScale, 1e-3)).rgb,
                        vec3(0.3333));
    float whitecaps = clamp(foam * pattern * foamBlend * 3.0, 0.0, 1.0);
    color = mix(color, (ambientColor + lightColor * (0.5 + 0.5 * diffuse)) * 0.95, whitecaps);

#ifdef PROPELLER_WASH
    if (vWake.z > 0.0) {
        float wash = abs(TEXTURE2D(washTex, vWashCoord).r) * vWake.z;
        color = mix(color, ambientColor + lightColor, clamp(wash, 0.0, 1.0));
    }
#endif

    // Shallow water lets the bottom show through; deep water is opaque.
    float opacity = 1.0 - exp(-max(vDepth, 0.0) * max(fogDensityBelow, 1e-4) * 4.0);
    opacity = clamp(max(opacity, fresnel) + whitecaps, 0.0, 1.0);

    color = mix(fogColor, color, vFog);
#ifndef HDR
    color = clamp(color, 0.0, 1.0);
#endif
    return vec4(color, opacity);
}
