#pragma once

#include <cstddef>
#include <string>

namespace badinput {

// Bytes no reader should take for anything: every value 0 to 255, NUL and line breaks included,
// in an order fixed by the seed so that a failure can be reproduced.
std::string garbage(std::size_t size, unsigned seed = 1);

// The first part of a text, as a copy cut short by a full disk or an interrupted transfer leaves it.
std::string firstPart(const std::string& text, double fraction);

// The whole of a file.
std::string readFile(const std::string& path);

} // namespace badinput
