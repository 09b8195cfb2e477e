#include "PeriodicNoise.h"
#include "TextureImages.h"

#include <algorithm>
#include <cmath>

namespace {

const double pi = 3.14159265358979323846;

unsigned char signedByte(double value)
{
    const int level = static_cast<int>(std::lround(std::clamp(value, -1.0, 1.0) * 127.0));
    return static_cast<unsigned char>(static_cast<signed char>(level));
}

} // namespace

TextureImage makeWashImage(int across, int along)
{
    const PeriodicNoise churn(404u, 4);
    const PeriodicNoise sway(505u, 6);
    const PeriodicNoise swirl(606u, 6);
    TextureImage image;
    image.width = across;
    image.height = along;
    image.channels = 3;
    image.pixels.resize(static_cast<std::size_t>(across) * along * 3);
    for (int row = 0; row < along; ++row) {
        for (int column = 0; column < across; ++column) {
            // Zero in the first and last column, fullest in the middle of the trail.
            const double s = across > 1 ? static_cast<double>(column) / (across - 1) : 0.5;
            const double profile = std::pow(std::sin(pi * s), 1.5);
            // The noise runs over the trail's length four times more slowly than across it.
            const double u = (column + 0.5) / across;
            const double v = (row + 0.5) / along;
            const double intensity = profile * (0.35 + 0.65 * churn.fractal(u, v, 4, 0.55));
            unsigned char* texel =
                &image.pixels[(static_cast<std::size_t>(row) * across + column) * 3];
            texel[0] = signedByte(intensity);
            texel[1] = signedByte(profile * (sway.fractal(u, v, 4, 0.5) - 0.5) * 2.5);
            texel[2] = signedByte(profile * (swirl.fractal(u, v, 4, 0.5) - 0.5) * 2.5);
        }
    }
    return image;
}
