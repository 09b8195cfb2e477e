#pragma once

#include <cstddef>
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

// Bytes no reader should take for anything: every value 0 to 255, NUL and line breaks included,
// in an order fixed by the seed so that a failure can be reproduced.
std::string garbage(std::size_t size, unsigned seed = 1);
