// Gerstner waves: the normal of the same sum the vertex stage displaced by, per fragment.
void main()
{
    vec3 sums = vec3(0.0);
    float crest = 0.0;
    float footprint = surfaceFootprint();
    for (int i = 0; i < MAX_WAVES; i++) {
        if (i >= numWaves)
            break;
        float phase = gerstnerPhase(i, vLocal.xy);
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
