// maris-textures OUTPUT_DIRECTORY
// Writes the ocean library's textures: "foam.tga" (whitecaps), "perlin.tga" (signed noise),
// "wash.tga" (propeller wash) and "spray.tga" (spray particle with alpha).

#include "TextureImages.h"
#include "common/TGAWriter.h"

#include <cstdio>
#include <string>

namespace {

bool write(const std::string& directory, const char* name, const TextureImage& image)
{
    const std::string path = directory + "/" + name;
    const bool written = image.channels == 4
                             ? writeTGAWithAlpha(path, image.width, image.height, image.pixels)
                             : writeTGA(path, image.width, image.height, image.pixels);
    if (!written)
        std::fprintf(stderr, "maris-textures: cannot write %s\n", path.c_str());
    return written;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: maris-textures OUTPUT_DIRECTORY\n");
        return 2;
    }
    const std::string directory = argv[1];
    const bool written = write(directory, "foam.tga", makeFoamImage(256)) &&
                         write(directory, "perlin.tga", makeSignedNoiseImage(256)) &&
                         write(directory, "wash.tga", makeWashImage(64, 256)) &&
                         write(directory, "spray.tga", makeSprayImage(64));
    return written ? 0 : 1;
}
