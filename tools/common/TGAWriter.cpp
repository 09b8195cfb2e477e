#include "common/TGAWriter.h"

#include <fstream>

namespace {

bool writeTrueColor(const std::string& path, int width, int height,
                     const std::vector<unsigned char>& pixels, int channels)
{
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535 ||
        pixels.size() != static_cast<std::size_t>(width) * height * channels)
        return false;
    unsigned char header[18] = {};
    header[2] = 2; // uncompressed true-color
    header[12] = static_cast<unsigned char>(width & 0xff);
    header[13] = static_cast<unsigned char>(width >> 8);
    header[14] = static_cast<unsigned char>(height & 0xff);
    header[15] = static_cast<unsigned char>(height >> 8);
    header[16] = static_cast<unsigned char>(channels * 8);
    header[17] = channels == 4 ? 8 : 0; // bottom-left origin, alpha bits

    std::vector<unsigned char> bgr(pixels);
    for (std::size_t i = 0; i < pixels.size(); i += static_cast<std::size_t>(channels)) {
        bgr[i] = pixels[i + 2];
        bgr[i + 2] = pixels[i];
    }
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header), sizeof(header));
    out.write(reinterpret_cast<const char*>(bgr.data()), static_cast<std::streamsize>(bgr.size()));
    return static_cast<bool>(out);
}

} // namespace

bool writeTGA(const std::string& path, int width, int height, const std::vector<unsigned char>& rgb)
{
    return writeTrueColor(path, width, height, rgb, 3);
}

bool writeTGAWithAlpha(const std::string& path, int width, int height,
                       const std::vector<unsigned char>& rgba)
{
    return writeTrueColor(path, width, height, rgba, 4);
}
