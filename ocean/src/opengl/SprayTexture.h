#pragma once

#include <cstdint>

namespace Maris {

class Environment;

// Loads "spray.tga" into a new mipmapped 2D texture clamped on both axes (RGB for 24-bit images,
// else RGBA). Reports "Couldn't load spray texture" and answers 0 when the file cannot be read.
std::uint32_t CreateSprayTexture(Environment* environment);

} // namespace Maris
