#include "common/HashedValueNoise.h"

#include <cmath>

namespace {

double smooth(double t)
{
    return t * t * (3.0 - 2.0 * t);
}

} // namespace

double HashedValueNoise::lattice(int ix, int iy, int octave) const
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

double HashedValueNoise::value(double x, double y, int octave) const
{
    const double fx0 = std::floor(x), fy0 = std::floor(y);
    const int ix = static_cast<int>(fx0), iy = static_cast<int>(fy0);
    const double fx = smooth(x - fx0), fy = smooth(y - fy0);
    const double a = lattice(ix, iy, octave), b = lattice(ix + 1, iy, octave);
    const double c = lattice(ix, iy + 1, octave), d = lattice(ix + 1, iy + 1, octave);
    const double bottom = a + (b - a) * fx, top = c + (d - c) * fx;
    return bottom + (top - bottom) * fy;
}
