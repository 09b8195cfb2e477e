#include "TerrainHeightField.h"

#include <cmath>

namespace {

double smooth(double t)
{
    return t * t * (3.0 - 2.0 * t);
}

} // namespace

double TerrainHeightField::lattice(int ix, int iy, int octave) const
{
    std::uint32_t h = seed * 0x9E3779B1u;
    h ^= static_cast<std::uint32_t>(ix) * 0x85EBCA77u;
    h ^= static_cast<std::uint32_t>(iy) * 0xC2B2AE3Du;
    h ^= static_cast<std::uint32_t>(octave) * 0x27D4EB2Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return (h & 0xFFFFFFu) / static_cast<double>(0xFFFFFF) * 2.0 - 1.0;
}

double TerrainHeightField::valueNoise(double x, double y, int octave) const
{
    const int ix = static_cast<int>(std::floor(x));
    const int iy = static_cast<int>(std::floor(y));
    const double fx = smooth(x - ix);
    const double fy = smooth(y - iy);
    const double a = lattice(ix, iy, octave);
    const double b = lattice(ix + 1, iy, octave);
    const double c = lattice(ix, iy + 1, octave);
    const double d = lattice(ix + 1, iy + 1, octave);
    return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
}

double TerrainHeightField::height(double u, double v) const
{
    double sum = 0.0;
    double amplitude = 1.0;
    double frequency = 3.0;
    for (int octave = 0; octave < 7; ++octave) {
        sum += amplitude * valueNoise(u * frequency, v * frequency, octave);
        amplitude *= 0.5;
        frequency *= 2.0;
    }
    // Ridged lift towards one side so that the tile reads as a landscape, not noise.
    return 120.0 * sum + 80.0 * v;
}
