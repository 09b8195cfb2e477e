// Gerstner waves: the normal of the same sum the vertex stage displaced by, per fragment.
#ifndef MAX_WAVES
#define MAX_WAVES 8
#endif

struct GerstnerWave {
    float steepness;
    float amplitude;
    float frequency;
    vec2 direction;
    float phaseSpeed;
};
uniform GerstnerWave waves[MAX_WAVES];
uniform int numWaves;
uniform float time;

void main()
{
    vec3 sums = vec3(0.0);
    float crest = 0.0;
    float footprint = surfaceFootprint();
    for (int i = 0; i < MAX_WAVES; i++) {
        if (i >= numWaves)
            break;
        float phase = waves[i].frequency * dot(waves[i].direction, vLocal.xy) +
                      waves[i].phaseSpeed * time;
        float fade = clamp(2.0 - footprint * waves[i].frequency * 0.6366, 0.0, 1.0);
        float ka = waves[i].frequency * waves[i].amplitude * fade;
        float c = cos(phase);
        float s = sin(phase);
        sums.xy += waves[i].direction * ka * c;
        sums.z += waves[i].steepness * ka * s;
        crest += waves[i].steepness * ka * max(s, 0.0);
    }
    vec2 slope = sums.xy + vWake.xy - noiseSlope(vLocal.xy, time, 0.06);
    vec3 normal = normalize(invBasis * vec3(-slope, 1.0 - sums.z));
    float foam = smoothstep(0.2, 0.6, crest);
    FRAG_COLOR = shadeSurface(normal, foam);
}
