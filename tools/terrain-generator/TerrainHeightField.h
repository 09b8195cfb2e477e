#pragma once

#include <cstdint>

// Smooth fractal hills from hashed value noise: the same seed gives the same landscape.
class TerrainHeightField
{
public:
    explicit TerrainHeightField(std::uint32_t seed) : seed(seed) {}

    // Height in metres at (u, v) in [0, 1]^2 of the tile.
    double height(double u, double v) const;

private:
    double valueNoise(double x, double y, int octave) const;
    double lattice(int ix, int iy, int octave) const;

    std::uint32_t seed;
};
