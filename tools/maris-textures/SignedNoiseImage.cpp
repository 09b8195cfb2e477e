#include "PeriodicNoise.h"
#include "TextureImages.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// A value from -1 to 1 as the two's-complement byte that GL_BYTE reads back as value * 127.
unsigned char signedByte(double value)
{
    const int level = static_cast<int>(std::lround(std::clamp(value, -1.0, 1.0) * 127.0));
    return static_cast<unsigned char>(static_cast<signed char>(level));
}

} // namespace

TextureImage makeSignedNoiseImage(int size)
{
    const PeriodicNoise channels[3] = {PeriodicNoise(101u, 8), PeriodicNoise(202u, 8),
                                       PeriodicNoise(303u, 8)};
    TextureImage image;
    image.width = image.height = size;
    image.channels = 3;
    const std::size_t count = static_cast<std::size_t>(size) * size;
    std::vector<double> values(count * 3);
    double mean[3] = {0.0, 0.0, 0.0};
    for (int row = 0; row < size; ++row) {
        for (int column = 0; column < size; ++column) {
            const double u = (column + 0.5) / size;
            const double v = (row + 0.5) / size;
            for (int c = 0; c < 3; ++c) {
                const double n = channels[c].fractal(u, v, 5, 0.5);
                values[(static_cast<std::size_t>(row) * size + column) * 3 + c] = n;
                mean[c] += n / static_cast<double>(count);
            }
        }
    }
    // Each channel is moved to a mean of 0 and stretched, the fractal sum gathering near its mean.
    image.pixels.resize(count * 3);
    for (std::size_t i = 0; i < values.size(); ++i)
        image.pixels[i] = signedByte((values[i] - mean[i % 3]) * 2.8);
    return image;
}
