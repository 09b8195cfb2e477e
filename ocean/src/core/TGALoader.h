#pragma once

#include <Maris/MemObject.h>

#include <cstddef>
#include <cstdint>

namespace Maris {

class ResourceLoader;

// Reads the library's textures: true-color (uncompressed or run-length encoded) and grey TGA
// images with 8, 24 or 32 bits per pixel. Rows keep their stored order, so the usual bottom-up
// files arrive bottom-up as OpenGL expects; true-color pixels come out as RGB(A).
class TGALoader : public MemObject
{
public:
    TGALoader();
    virtual ~TGALoader();

    // On failure the loader holds no image; an unusable file reports "Invalid TGA header".
    bool Load(const char* fileName, ResourceLoader* loader);

    // True for 24 and 32 bits per pixel, the layouts textures are uploaded from (RGB, RGBA). A grey
    // image would be read four bytes a pixel, past the end of its data: it is reported as unusable
    // under the file name given.
    bool HasColorPixels(const char* fileName) const;

    const unsigned char* GetPixels() const { return pixels; }
    std::uint32_t GetWidth() const { return width; }
    std::uint32_t GetHeight() const { return height; }
    int GetBitsPerPixel() const { return bitsPerPixel; }

private:
    TGALoader(const TGALoader&) = delete;
    TGALoader& operator=(const TGALoader&) = delete;

    void Release();
    bool Decode(const unsigned char* file, std::size_t size);
    static bool DecodeRunLength(const unsigned char* data, std::size_t available,
                                unsigned char* out, std::size_t pixelCount,
                                std::size_t bytesPerPixel);

    unsigned char* pixels;
    std::uint32_t width;
    std::uint32_t height;
    int bitsPerPixel;
};

} // namespace Maris
