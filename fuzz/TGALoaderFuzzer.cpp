// TGA files read by the ocean library's texture loader through its resource loader. An accepted
// image must hold every byte its size promises.

#include "ScratchDirectory.h"

#include <Maris/ResourceLoader.h>
#include "core/TGALoader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const kelvofuzz::ScratchDirectory scratch;
    scratch.write("fuzz.tga", data, size);

    Maris::ResourceLoader loader(scratch.path().c_str(), false);
    Maris::TGALoader tga;
    if (!tga.Load("fuzz.tga", &loader)) {
        if (tga.GetPixels() || tga.GetWidth() || tga.GetHeight()) {
            std::fprintf(stderr, "tga: a refused file left an image behind\n");
            std::abort();
        }
        return 0;
    }

    const int bits = tga.GetBitsPerPixel();
    if (!tga.GetPixels() || tga.GetWidth() == 0 || tga.GetHeight() == 0 ||
        (bits != 8 && bits != 24 && bits != 32)) {
        std::fprintf(stderr, "tga: an accepted image with %ux%u pixels of %d bits\n", tga.GetWidth(),
                     tga.GetHeight(), bits);
        std::abort();
    }
    // Reading every byte lets the address checker see an image smaller than its size.
    const std::size_t bytes = static_cast<std::size_t>(tga.GetWidth()) * tga.GetHeight() * (bits / 8);
    unsigned sum = 0;
    for (std::size_t i = 0; i < bytes; ++i)
        sum += tga.GetPixels()[i];
    volatile unsigned sink = sum;
    (void)sink;
    return 0;
}
