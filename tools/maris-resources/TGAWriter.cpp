#include "TGAWriter.h"

#include <fstream>

bool writeTGA(const std::string& path, int width, int height, const std::vector<unsigned char>& rgb)
{
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535 ||
        rgb.size() != static_cast<std::size_t>(width) * height * 3)
        return false;
    unsigned char header[18] = {};
    header[2] = 2; // uncompressed true-colour
    header[12] = static_cast<unsigned char>(width & 0xff);
    header[13] = static_cast<unsigned char>(width >> 8);
    header[14] = static_cast<unsigned char>(height & 0xff);
    header[15] = static_cast<unsigned char>(height >> 8);
    header[16] = 24;
    header[17] = 0; // bottom-left origin, no alpha bits

    std::vector<unsigned char> bgr(rgb.size());
    for (std::size_t i = 0; i < rgb.size(); i += 3) {
        bgr[i] = rgb[i + 2];
        bgr[i + 1] = rgb[i + 1];
        bgr[i + 2] = rgb[i];
    }
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header), sizeof(header));
    out.write(reinterpret_cast<const char*>(bgr.data()), static_cast<std::streamsize>(bgr.size()));
    return static_cast<bool>(out);
}
