#include "SkyModel.h"

#include <algorithm>
#include <cmath>

namespace {

Color mix(const Color& a, const Color& b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

double smoothstep(double edge0, double edge1, double x)
{
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

const Color zenith{0.16, 0.36, 0.72};
const Color upperSky{0.34, 0.55, 0.85};
const Color horizon{0.80, 0.86, 0.92};
const Color belowHorizon{0.56, 0.62, 0.68};
const Color sunLight{1.0, 0.97, 0.88};
const Color cloudLit{0.98, 0.98, 0.99};
const Color cloudShade{0.66, 0.70, 0.77};

// Height of the cloud layer relative to its horizontal extent; lower values flatten the clouds
// more strongly towards the horizon.
const double cloudLayerLift = 0.12;

} // namespace

// The sun stands where the viewer's main light comes from, (-1, -1, 2).
SkyModel::SkyModel() : noise(1907), sun(Direction{-1.0, -1.0, 2.0}.normalized()) {}

double SkyModel::cloudCover(const Direction& d) const
{
    if (d.z <= 0.0)
        return 0.0;
    // Project onto a flat layer overhead, so clouds shrink and crowd towards the horizon.
    const double scale = 1.0 / (d.z + cloudLayerLift);
    const double u = d.x * scale * 2.2;
    const double v = d.y * scale * 2.2;
    // The third coordinate bends the layer slightly so it does not look like a tiled plane.
    const double w = d.z * 1.5;
    const double billow = noise.fractal(u, v, w, 6, 0.52);
    const double density = smoothstep(0.52, 0.74, billow);
    // Fade the layer out before it turns into sub-texel noise near the horizon.
    return density * smoothstep(0.03, 0.30, d.z);
}

Color SkyModel::color(const Direction& worldDirection) const
{
    const Direction d = worldDirection.normalized();
    const double elevation = d.z;

    Color sky;
    if (elevation >= 0.0) {
        const double t = std::pow(elevation, 0.45);
        sky = t < 0.5 ? mix(horizon, upperSky, t / 0.5) : mix(upperSky, zenith, (t - 0.5) / 0.5);
    } else {
        sky = mix(horizon, belowHorizon, std::pow(-elevation, 0.6));
    }
    // A bright band of haze along the horizon.
    const double haze = std::exp(-std::fabs(elevation) * 14.0);
    sky = mix(sky, Color{0.90, 0.92, 0.94}, haze * 0.55);

    const double towardsSun = std::max(0.0, d.dot(sun));
    // Wide glow and a tight corona around the sun.
    const double glow = 0.18 * std::pow(towardsSun, 6.0) + 0.45 * std::pow(towardsSun, 120.0);
    sky = mix(sky, sunLight, std::min(glow, 1.0));

    // Clouds thin out around the sun, which keeps its disk visible.
    const double angle = std::acos(std::min(1.0, d.dot(sun)));
    const double cover = cloudCover(d) * (0.3 + 0.7 * smoothstep(0.05, 0.25, angle));
    if (cover > 0.0) {
        // Thick parts are darker underneath; clouds near the sun light up at their edges.
        Color cloud = mix(cloudLit, cloudShade, smoothstep(0.55, 1.0, cover) * 0.6);
        cloud = mix(cloud, sunLight, 0.35 * std::pow(towardsSun, 10.0));
        sky = mix(sky, cloud, cover * 0.9);
    }

    // The sun's disk, about 1.5 degrees across (larger than in nature, so that it still shows on
    // a screen), with a soft rim.
    const double disk = 1.0 - smoothstep(0.011, 0.016, angle);
    sky = mix(sky, Color{1.0, 1.0, 0.97}, disk);
    return sky;
}
