// FFT waves: heights and horizontal displacements read from the periodic patch the FFT model
// writes (x displacement, y displacement, height), tiled over the sea.
uniform sampler2D displacementMap;
uniform vec2 textureSize;
uniform float invDampingDistance;
uniform float time;

#ifdef BREAKING_WAVES
uniform float kexp;
uniform float breakerWavelength;
uniform float breakerWavelengthVariance;
uniform vec3 breakerDirection;
uniform float breakerAmplitude;
uniform float breakerPhaseConstant;
uniform float surgeDepth;
uniform float steepnessVariance;

// Waves running onto a shore: they steepen and grow where the water gets shallow.
float breakerHeight(vec2 local, float depth)
{
    if (breakerAmplitude <= 0.0 || breakerWavelength <= 0.0 || depth <= 0.0)
        return 0.0;
    float along = dot(normalize(breakerDirection.xy), local);
    float wavelength = breakerWavelength + breakerWavelengthVariance * sin(along * 0.001);
    float k = 6.2831853 / wavelength;
    float phase = k * along - breakerPhaseConstant * time;
    float shoaling = clamp(1.0 - depth / surgeDepth, 0.0, 1.0) * pow(kexp, -depth);
    float sharpness = 1.0 + steepnessVariance * (1.0 - depth / surgeDepth);
    return breakerAmplitude * shoaling * pow(0.5 + 0.5 * sin(phase), max(sharpness, 1.0));
}
#endif

vec3 patchDisplacement(vec2 local, float distanceToEye)
{
    vec3 texel = TEXTURE2D_LOD(displacementMap, local / textureSize, 0.0).xyz;
    // The choppy horizontal push fades with distance, where it would only shimmer.
    float damping = clamp(1.0 - distanceToEye * invDampingDistance, 0.0, 1.0);
    return vec3(texel.xy * damping, texel.z);
}

void displaceAndFinish(vec3 position, float cells)
{
    vec3 up = seaUp(position);
    vec2 local = localCoordinates(position);
    float distanceToEye = length(cameraPos - worldPosition(position));
    vec3 displacement = patchDisplacement(local, distanceToEye);
    float depth = waterDepth(worldPosition(position));
    float height = displacement.z + wakeHeight(vec3(local, 0.0));
#ifdef BREAKING_WAVES
    height += breakerHeight(local, depth);
#endif
    vec3 horizontal = invBasis * vec3(displacement.xy, 0.0);
    float share = displacementShare(position, horizontal + up * height);
    horizontal *= share;
    height *= share;
    vec3 displaced = position + horizontal + up * height;

    vLocal = vec3(local, height);
    vUp = up;
    vEye = cameraPos - worldPosition(displaced);
    vReflection = worldPosition(position) - cameraPos;
    vDepth = depth + height;
    finishVertex(length(vEye), cells);
    gl_Position = clipPosition(displaced);
}
