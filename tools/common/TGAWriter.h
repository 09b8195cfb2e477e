#pragma once

#include <string>
#include <vector>

// Writes an uncompressed 24-bit true-color TGA with its origin at the bottom left. rgb holds
// width x height pixels, bottom row first, three bytes (red, green, blue) each.
bool writeTGA(const std::string& path, int width, int height, const std::vector<unsigned char>& rgb);

// The same with an alpha channel: a 32-bit TGA from width x height pixels of four bytes (red,
// green, blue, alpha), bottom row first.
bool writeTGAWithAlpha(const std::string& path, int width, int height,
                       const std::vector<unsigned char>& rgba);
