#pragma once

#include <string>

namespace kelvofuzz {

// A private temporary directory for the files a fuzz target hands to a reader that only reads
// named files. It is removed with everything in it when the object goes.
class ScratchDirectory
{
public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::string& path() const { return root; }
    std::string file(const std::string& name) const { return root + "/" + name; }

    // Writes the bytes as the file name (relative to the directory), creating its directories.
    std::string write(const std::string& name, const unsigned char* data, std::size_t size) const;

private:
    std::string root;
};

} // namespace kelvofuzz
