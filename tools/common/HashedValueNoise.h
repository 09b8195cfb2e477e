#pragma once

#include <cstdint>

// Value noise whose lattice values come from an integer hash of the seed, the lattice point and
// the octave: no tables, and the same seed gives the same landscape on every machine.
class HashedValueNoise
{
public:
    explicit HashedValueNoise(std::uint32_t seed) : seed(seed) {}

    // In [-1, 1]: the values of the four lattice points around (x, y), blended with a smooth step
    // along each axis. Each octave has lattice values of its own.
    double value(double x, double y, int octave) const;

private:
    double lattice(int ix, int iy, int octave) const;

    std::uint32_t seed;
};
