#pragma once

#include <vector>

// Smooth 2D value noise in [0, 1] on the unit square that wraps at its edges: the lattice repeats
// every `period` cells, so a texture sampled over [0, 1) tiles without seams.
class PeriodicNoise
{
public:
    PeriodicNoise(unsigned seed, int period);

    // u and v in texture units; one lattice period spans 1.
    double noise(double u, double v) const;
    // Octaves of doubled frequency (still periodic), each `persistence` times the amplitude of the
    // last, normalized back to [0, 1].
    double fractal(double u, double v, int octaves, double persistence) const;

private:
    double lattice(int x, int y, int period) const;
    double noiseAt(double u, double v, int period) const;

    int basePeriod;
    std::vector<unsigned> permutation;
    std::vector<double> values;
};
