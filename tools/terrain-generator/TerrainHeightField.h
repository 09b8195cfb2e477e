#pragma once

#include "common/HashedValueNoise.h"

#include <cstdint>

// Smooth fractal hills from hashed value noise: the same seed gives the same landscape.
class TerrainHeightField
{
public:
    explicit TerrainHeightField(std::uint32_t seed) : noise(seed) {}

    // Height in metres at (u, v) in [0, 1]^2 of the tile.
    double height(double u, double v) const;

private:
    HashedValueNoise noise;
};
