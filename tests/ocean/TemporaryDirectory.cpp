#include "TemporaryDirectory.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

TemporaryDirectory::TemporaryDirectory()
{
    char pattern[] = "/tmp/maris-test-XXXXXX";
    if (!mkdtemp(pattern))
        throw std::runtime_error("cannot create a temporary directory");
    directory = pattern;
}

TemporaryDirectory::~TemporaryDirectory()
{
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
}

std::string TemporaryDirectory::write(const std::string& name, const std::string& bytes) const
{
    const std::string path = directory + "/" + name;
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::string garbage(std::size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    unsigned state = seed * 2654435761u + 1u;
    for (std::size_t i = 0; i < size; ++i) {
        state = state * 1664525u + 1013904223u;
        bytes[i] = static_cast<char>(state >> 24);
    }
    return bytes;
}

std::string tgaFile(const TGAHeader& header, const std::string& data)
{
    std::string file(18, '\0');
    file[0] = static_cast<char>(header.idLength);
    file[2] = static_cast<char>(header.type);
    file[12] = static_cast<char>(header.width & 0xff);
    file[13] = static_cast<char>((header.width >> 8) & 0xff);
    file[14] = static_cast<char>(header.height & 0xff);
    file[15] = static_cast<char>((header.height >> 8) & 0xff);
    file[16] = static_cast<char>(header.bitsPerPixel);
    file[17] = static_cast<char>(header.descriptor);
    return file + data;
}
