#pragma once

// Smooth 3D value noise in [0, 1] and its fractal sum. Being a function of a 3D point, it gives the
// same value wherever two cube faces meet.
class ValueNoise
{
public:
    explicit ValueNoise(unsigned seed);

    double noise(double x, double y, double z) const;
    // Sum of octaves, each of double frequency and `persistence` times the amplitude, normalized
    // back to [0, 1].
    double fractal(double x, double y, double z, int octaves, double persistence) const;

private:
    double lattice(int x, int y, int z) const;

    unsigned char permutation[512];
    double values[256];
};
