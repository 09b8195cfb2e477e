#pragma once

namespace Maris {

// A long wave from a distant storm, written into the FFT spectrum. Wavelength and height in world
// units, direction in radians.
struct Swell
{
    float wavelength = 0.0f;
    float height = 0.0f;
    float direction = 0.0f;
};

} // namespace Maris
