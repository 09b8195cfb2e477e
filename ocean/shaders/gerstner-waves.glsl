// Gerstner waves, for both stages: the vertex stage displaces by their height, the fragment stage
// takes the normal of the same sum. Phases match the model's height query.
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

float gerstnerPhase(int i, vec2 local)
{
    return waves[i].frequency * dot(waves[i].direction, local) + waves[i].phaseSpeed * time;
}
