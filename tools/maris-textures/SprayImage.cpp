#include "PeriodicNoise.h"
#include "TextureImages.h"

#include <algorithm>
#include <cmath>

TextureImage makeSprayImage(int size)
{
    const PeriodicNoise droplets(707u, 8);
    TextureImage image;
    image.width = image.height = size;
    image.channels = 4;
    image.pixels.resize(static_cast<std::size_t>(size) * size * 4);
    for (int row = 0; row < size; ++row) {
        for (int column = 0; column < size; ++column) {
            // Distance from the middle, 1 at the centre of the border texels.
            const double x = ((column + 0.5) / size) * 2.0 - 1.0;
            const double y = ((row + 0.5) / size) * 2.0 - 1.0;
            const double r = std::sqrt(x * x + y * y) * size / (size - 1.0);
            const double window = r < 1.0 ? (1.0 - r * r) * (1.0 - r * r) : 0.0;
            const double core = std::exp(-r * r / (2.0 * 0.3 * 0.3));
            const double grain = 0.7 + 0.3 * droplets.fractal((column + 0.5) / size,
                                                              (row + 0.5) / size, 3, 0.5);
            const double alpha = std::clamp(window * (0.35 + 0.65 * core) * grain * 1.15, 0.0, 1.0);
            unsigned char* texel = &image.pixels[(static_cast<std::size_t>(row) * size + column) * 4];
            texel[0] = 240;
            texel[1] = 246;
            texel[2] = 255;
            texel[3] = static_cast<unsigned char>(alpha * 255.0 + 0.5);
        }
    }
    return image;
}
