#include "ScratchDirectory.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace kelvofuzz {

ScratchDirectory::ScratchDirectory()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "kelvo-fuzz-XXXXXX").string();
    if (!::mkdtemp(&pattern[0])) {
        std::perror("kelvo fuzz: mkdtemp");
        std::abort();
    }
    root = pattern;
}

ScratchDirectory::~ScratchDirectory()
{
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

std::string ScratchDirectory::write(const std::string& name, const unsigned char* data, std::size_t size) const
{
    const std::filesystem::path path = std::filesystem::path(root) / name;
    std::error_code ignored;
    std::filesystem::create_directories(path.parent_path(), ignored);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    if (!out) {
        std::fprintf(stderr, "kelvo fuzz: cannot write %s\n", path.c_str());
        std::abort();
    }
    return path.string();
}

} // namespace kelvofuzz
