#include "CoastHeightField.h"

#include "DemoWorld.h"

#include <algorithm>
#include <cmath>

namespace {

double smooth(double t)
{
    return t * t * (3.0 - 2.0 * t);
}

double smoothStep(double edge0, double edge1, double x)
{
    return smooth(std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0));
}

double gauss(double x, double y, double cx, double cy, double radius)
{
    const double dx = (x - cx) / radius, dy = (y - cy) / radius;
    return std::exp(-(dx * dx + dy * dy));
}

} // namespace

CoastHeightField::CoastHeightField(std::uint32_t seed) : noise(seed)
{
    stream.add(DemoWorld::streamCourse());
}

double CoastHeightField::fractal(double x, double y, double wavelength, int octaves, int channel) const
{
    double sum = 0.0, amplitude = 1.0, norm = 0.0, frequency = 1.0 / wavelength;
    for (int octave = 0; octave < octaves; ++octave) {
        sum += amplitude * noise.value(x * frequency + 17.3 * channel, y * frequency - 9.1 * channel,
                                       octave + 16 * channel);
        norm += amplitude;
        amplitude *= 0.5;
        frequency *= 2.03;
    }
    return sum / norm;
}

double CoastHeightField::inland(double x, double y) const
{
    const double shore = -700.0 + 420.0 * std::sin(x / 1250.0 + 0.7) + 230.0 * std::sin(x / 430.0 + 2.1);
    return y - shore + 260.0 * fractal(x, y, 1400.0, 4, 1);
}

double CoastHeightField::height(double x, double y) const
{
    const double d = inland(x, y);
    const double rough = fractal(x, y, 900.0, 7, 0);

    // Land: a shore terrace, then a steady rise inland with hills growing on it.
    const double rise = 70.0 * (1.0 - std::exp(-std::max(d, 0.0) / 1100.0));
    const double hills = (18.0 + 30.0 * smoothStep(0.0, 1500.0, d)) * rough;
    const double summit = 95.0 * gauss(x, y, 1750.0, 2500.0, 650.0) + 45.0 * gauss(x, y, -2300.0, 2200.0, 550.0);
    double land = 1.5 + rise + smoothStep(0.0, 250.0, d) * (hills + summit);

    // The stream has cut a valley, deepest where the land is highest, ending in a bay.
    const double valley = std::exp(-std::pow(stream.distance(osg::Vec2d(x, y), 1000.0) / 170.0, 2.0));
    land -= valley * (0.75 * (land - 1.0)) * smoothStep(-200.0, 400.0, d);

    // Sea bed: shelving away from the shore to about 35 m.
    double sea = -35.0 * (1.0 - std::exp(std::min(d, 0.0) / 450.0)) + 3.0 * rough;

    // Skerries and islands, rocky and rounded like west-coast granite.
    static const double islands[][4] = {{-2600, -2050, 260, 16}, {-1250, -2550, 170, 9},
                                        {650, -2850, 330, 19},   {2450, -2150, 160, 7},
                                        {-3300, -1200, 120, 6},  {1650, -1750, 90, 4}};
    for (const auto& island : islands) {
        const double g = gauss(x, y, island[0], island[1], island[2]);
        const double top = island[3] * (1.0 + 0.35 * rough);
        sea = std::max(sea, sea + (top - sea) * std::pow(g, 0.6) - 2.0 * (1.0 - g));
    }

    // Blend across the shore line so that the beach is continuous.
    const double t = smoothStep(-40.0, 40.0, d);
    return sea * (1.0 - t) + land * t;
}
