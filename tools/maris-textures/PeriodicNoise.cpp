#include "PeriodicNoise.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>

namespace {

double fade(double t)
{
    return t * t * t * (t * (t * 6.0 - 15.0) + 10.0);
}

int wrap(int value, int period)
{
    const int m = value % period;
    return m < 0 ? m + period : m;
}

} // namespace

PeriodicNoise::PeriodicNoise(unsigned seed, int period)
    : basePeriod(std::max(1, period)), permutation(1024), values(1024)
{
    std::mt19937 generator(seed);
    std::iota(permutation.begin(), permutation.end(), 0u);
    std::shuffle(permutation.begin(), permutation.end(), generator);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (double& value : values)
        value = unit(generator);
}

double PeriodicNoise::lattice(int x, int y, int period) const
{
    const unsigned xi = static_cast<unsigned>(wrap(x, period));
    const unsigned yi = static_cast<unsigned>(wrap(y, period));
    return values[permutation[(permutation[xi % 1024] + yi) % 1024]];
}

double PeriodicNoise::noiseAt(double u, double v, int period) const
{
    const double x = u * period;
    const double y = v * period;
    const int x0 = static_cast<int>(std::floor(x));
    const int y0 = static_cast<int>(std::floor(y));
    const double fx = fade(x - x0);
    const double fy = fade(y - y0);
    const double a = lattice(x0, y0, period);
    const double b = lattice(x0 + 1, y0, period);
    const double c = lattice(x0, y0 + 1, period);
    const double d = lattice(x0 + 1, y0 + 1, period);
    const double bottom = a + (b - a) * fx;
    const double top = c + (d - c) * fx;
    return bottom + (top - bottom) * fy;
}

double PeriodicNoise::noise(double u, double v) const
{
    return noiseAt(u, v, basePeriod);
}

double PeriodicNoise::fractal(double u, double v, int octaves, double persistence) const
{
    double sum = 0.0;
    double amplitude = 1.0;
    double total = 0.0;
    int period = basePeriod;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * noiseAt(u, v, period);
        total += amplitude;
        amplitude *= persistence;
        period *= 2;
    }
    return total > 0.0 ? sum / total : 0.0;
}
