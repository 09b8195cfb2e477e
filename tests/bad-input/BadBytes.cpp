#include "BadBytes.h"

#include <fstream>
#include <iterator>

namespace badinput {

std::string garbage(std::size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    // A linear congruential generator: the same bytes on every platform and run.
    unsigned state = seed * 2654435761u + 1u;
    for (std::size_t i = 0; i < size; ++i) {
        state = state * 1664525u + 1013904223u;
        bytes[i] = static_cast<char>(state >> 24);
    }
    return bytes;
}

std::string firstPart(const std::string& text, double fraction)
{
    return text.substr(0, static_cast<std::size_t>(static_cast<double>(text.size()) * fraction));
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace badinput
