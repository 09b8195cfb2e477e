#include "PeriodicCells.h"
#include "PeriodicNoise.h"
#include "TextureImages.h"

#include <algorithm>
#include <cmath>

namespace {

double smoothstep(double edge0, double edge1, double x)
{
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

// Close to 1 on the wall between two cells, falling off inside them.
double walls(const PeriodicCells& cells, double u, double v, double width)
{
    double nearest = 0.0;
    double second = 0.0;
    cells.distances(u, v, nearest, second);
    return 1.0 - smoothstep(0.0, width, second - nearest);
}

} // namespace

TextureImage makeFoamImage(int size)
{
    const PeriodicCells large(11u, 12);
    const PeriodicCells small(23u, 36);
    const PeriodicNoise patches(37u, 4);
    TextureImage image;
    image.width = image.height = size;
    image.channels = 3;
    image.pixels.resize(static_cast<std::size_t>(size) * size * 3);
    for (int row = 0; row < size; ++row) {
        for (int column = 0; column < size; ++column) {
            const double u = (column + 0.5) / size;
            const double v = (row + 0.5) / size;
            const double bubbles = 0.75 * walls(large, u, v, 0.18) + 0.45 * walls(small, u, v, 0.25);
            const double mask = smoothstep(0.35, 0.65, patches.fractal(u, v, 4, 0.5));
            const double foam = std::clamp(bubbles * (0.25 + 0.75 * mask), 0.0, 1.0);
            unsigned char* texel = &image.pixels[(static_cast<std::size_t>(row) * size + column) * 3];
            texel[0] = static_cast<unsigned char>(foam * 245.0 + 0.5);
            texel[1] = static_cast<unsigned char>(foam * 250.0 + 0.5);
            texel[2] = static_cast<unsigned char>(foam * 255.0 + 0.5);
        }
    }
    return image;
}
