#pragma once

namespace Maris {

// One trochoidal wave of the Gerstner sum.
struct GerstnerWave
{
    float amplitude;       // world units
    float phaseSpeed;      // angular frequency, radians per second
    float frequency;       // wave number 2 pi / wavelength, radians per world unit
    float directionX;
    float directionY;
    float steepness;       // Q
    float directionOffset; // radians, relative to the wind
    float wavelength;      // world units
};

} // namespace Maris
