// FFT waves: slopes and foam from the FFT model's second texture, ripples from the noise
// texture where the patch would repeat visibly.
uniform sampler2D slopeFoamMap;
uniform vec2 textureSize;
uniform float noiseAmplitude;
uniform float invNoiseDistance;
uniform float textureLODBias;
uniform float time;

void main()
{
    vec3 slopeFoam = TEXTURE2D(slopeFoamMap, vLocal.xy / textureSize, textureLODBias).xyz;
    float distanceToEye = length(vEye);
    float noise = noiseAmplitude * clamp(distanceToEye * invNoiseDistance, 0.0, 1.0);
    vec2 slope = slopeFoam.xy + vWake.xy - noiseSlope(vLocal.xy, time, 0.03 + noise);
    vec3 normal = normalize(invBasis * vec3(-slope, 1.0));
    FRAG_COLOR = shadeSurface(normal, clamp(slopeFoam.z, 0.0, 1.0));
}
