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

std::string tgaFile(const TGAHeader& header, const std::string& data)
{
    std::string file(18, '\0');
    file[0] = static_cast<char>(header.idLength);
    file[2] = static_cast<char>(header.type);
    for (int i = 0; i < 2; ++i) {
        file[12 + i] = static_cast<char>((header.width >> (8 * i)) & 0xff);
        file[14 + i] = static_cast<char>((header.height >> (8 * i)) & 0xff);
    }
    file[16] = static_cast<char>(header.bitsPerPixel);
    file[17] = static_cast<char>(header.descriptor);
    return file + data;
}
