#include "core/TGALoader.h"

#include <Maris/Memory.h>
#include <Maris/Message.h>
#include <Maris/ResourceLoader.h>

#include <cstdio>
#include <cstring>
#include <utility>

namespace Maris {

namespace {

const std::size_t headerSize = 18;

enum ImageType
{
    TrueColor = 2,
    Grey = 3,
    RunLengthTrueColor = 10
};

// The largest pixel count one run-length packet can describe.
const std::size_t longestPacket = 128;

} // namespace

TGALoader::TGALoader() : pixels(nullptr), width(0), height(0), bitsPerPixel(0) {}

TGALoader::~TGALoader()
{
    Release();
}

void TGALoader::Release()
{
    FreeMemory(pixels);
    pixels = nullptr;
    width = 0;
    height = 0;
    bitsPerPixel = 0;
}

bool TGALoader::Load(const char* fileName, ResourceLoader* loader)
{
    Release();
    if (!loader) {
        Message("Null ResourceLoader passed into TGALoader::Load.");
        return false;
    }

    char* file = nullptr;
    std::size_t size = 0;
    if (!loader->LoadResource(fileName, file, size, false))
        return false;

    const bool decoded = Decode(reinterpret_cast<const unsigned char*>(file), size);
    loader->FreeResource(file);
    if (!decoded) {
        Release();
        Message("Invalid TGA header");
    }
    return decoded;
}

bool TGALoader::HasColorPixels(const char* fileName) const
{
    if (bitsPerPixel == 24 || bitsPerPixel == 32)
        return true;
    char report[256];
    std::snprintf(report, sizeof(report), "%s has %d bits per pixel; a texture needs 24 or 32",
                  fileName ? fileName : "(unnamed)", bitsPerPixel);
    Message(report);
    return false;
}

bool TGALoader::Decode(const unsigned char* file, std::size_t size)
{
    if (size < headerSize)
        return false;

    const std::size_t idLength = file[0];
    const int imageType = file[2];
    const std::uint32_t imageWidth = file[12] | (file[13] << 8);
    const std::uint32_t imageHeight = file[14] | (file[15] << 8);
    const int bits = file[16];
    const std::size_t bytesPerPixel = static_cast<std::size_t>(bits) / 8;

    if (imageType != TrueColor && imageType != Grey && imageType != RunLengthTrueColor)
        return false;
    // Only whole-byte formats: 15 and 16 bit images would pass a test on bits / 8 alone.
    if (imageWidth == 0 || imageHeight == 0 || (bits != 8 && bits != 24 && bits != 32))
        return false;

    // The pixels follow the image ID; a color map, which these types never carry in practice,
    // is not skipped.
    const std::size_t offset = headerSize + idLength;
    if (size < offset)
        return false;
    const std::size_t available = size - offset;
    const std::size_t pixelCount = static_cast<std::size_t>(imageWidth) * imageHeight;
    const std::size_t imageBytes = pixelCount * bytesPerPixel;

    if (imageType == RunLengthTrueColor) {
        // Each packet takes at least a count byte and one pixel and yields at most 128 pixels, so
        // a file too small for the header's size is refused before anything is allocated.
        const std::size_t leastPackets = (pixelCount + longestPacket - 1) / longestPacket;
        if (available < leastPackets * (1 + bytesPerPixel))
            return false;
    } else if (available < imageBytes) {
        return false;
    }

    unsigned char* image = static_cast<unsigned char*>(AllocateMemory(imageBytes));
    if (imageType == RunLengthTrueColor) {
        if (!DecodeRunLength(file + offset, available, image, pixelCount, bytesPerPixel)) {
            FreeMemory(image);
            return false;
        }
    } else {
        std::memcpy(image, file + offset, imageBytes);
    }

    // Stored as BGR(A); the library uploads RGB(A).
    if (imageType != Grey && bytesPerPixel >= 3) {
        for (std::size_t i = 0; i < imageBytes; i += bytesPerPixel)
            std::swap(image[i], image[i + 2]);
    }

    pixels = image;
    width = imageWidth;
    height = imageHeight;
    bitsPerPixel = bits;
    return true;
}

bool TGALoader::DecodeRunLength(const unsigned char* data, std::size_t available,
                                unsigned char* out, std::size_t pixelCount,
                                std::size_t bytesPerPixel)
{
    // Packets may run across row ends, as many writers produce them; the pixels are one stream.
    std::size_t read = 0;
    std::size_t written = 0;
    while (written < pixelCount) {
        if (read >= available)
            return false;
        const unsigned char packet = data[read++];
        const std::size_t count = (packet & 0x7f) + 1;
        // A packet that reaches past the last pixel is cut at the image's end.
        const std::size_t used = count < pixelCount - written ? count : pixelCount - written;
        if (packet & 0x80) {
            if (available - read < bytesPerPixel)
                return false;
            for (std::size_t i = 0; i < used; ++i)
                std::memcpy(out + (written + i) * bytesPerPixel, data + read, bytesPerPixel);
            read += bytesPerPixel;
        } else {
            const std::size_t bytes = used * bytesPerPixel;
            if (available - read < bytes)
                return false;
            std::memcpy(out + written * bytesPerPixel, data + read, bytes);
            read += count * bytesPerPixel;
        }
        written += used;
    }
    return true;
}

} // namespace Maris
