#include "ValueNoise.h"

#include <cmath>
#include <random>
#include <utility>

namespace {

double smooth(double t)
{
    return t * t * t * (t * (t * 6.0 - 15.0) + 10.0);
}

double mix(double a, double b, double t)
{
    return a + (b - a) * t;
}

} // namespace

ValueNoise::ValueNoise(unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    for (int i = 0; i < 256; ++i) {
        permutation[i] = static_cast<unsigned char>(i);
        values[i] = uniform(random);
    }
    for (int i = 255; i > 0; --i)
        std::swap(permutation[i], permutation[random() % (i + 1)]);
    for (int i = 0; i < 256; ++i)
        permutation[256 + i] = permutation[i];
}

double ValueNoise::lattice(int x, int y, int z) const
{
    return values[permutation[permutation[permutation[x & 255] + (y & 255)] + (z & 255)]];
}

double ValueNoise::noise(double x, double y, double z) const
{
    const double fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy), iz = static_cast<int>(fz);
    const double u = smooth(x - fx), v = smooth(y - fy), w = smooth(z - fz);
    const double x00 = mix(lattice(ix, iy, iz), lattice(ix + 1, iy, iz), u);
    const double x10 = mix(lattice(ix, iy + 1, iz), lattice(ix + 1, iy + 1, iz), u);
    const double x01 = mix(lattice(ix, iy, iz + 1), lattice(ix + 1, iy, iz + 1), u);
    const double x11 = mix(lattice(ix, iy + 1, iz + 1), lattice(ix + 1, iy + 1, iz + 1), u);
    return mix(mix(x00, x10, v), mix(x01, x11, v), w);
}

double ValueNoise::fractal(double x, double y, double z, int octaves, double persistence) const
{
    double sum = 0.0, amplitude = 1.0, total = 0.0, frequency = 1.0;
    for (int i = 0; i < octaves; ++i) {
        // Each octave is shifted so that the lattice points of the octaves do not line up.
        sum += amplitude * noise(x * frequency + 17.3 * i, y * frequency - 9.1 * i, z * frequency + 4.7 * i);
        total += amplitude;
        amplitude *= persistence;
        frequency *= 2.0;
    }
    return sum / total;
}
