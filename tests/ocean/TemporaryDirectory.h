#pragma once

#include <string>

// A fresh directory under /tmp, removed with its contents when the object goes.
class TemporaryDirectory
{
public:
    TemporaryDirectory();
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    const std::string& path() const { return directory; }
    // Writes the bytes to a file of that name inside the directory and returns its full path.
    std::string write(const std::string& name, const std::string& bytes) const;

private:
    std::string directory;
};

// The fields of a TGA file's 18-byte header that the tests vary.
struct TGAHeader
{
    int type = 2;
    int width = 1;
    int height = 1;
    int bitsPerPixel = 24;
    int idLength = 0;
    int descriptor = 0;
};

// A TGA file: the header, then the bytes (the image id first, where there is one).
std::string tgaFile(const TGAHeader& header, const std::string& data);
