#pragma once

#include <cstdint>

namespace Maris {

// Which wave model an ocean simulates. The FFT types name the spectrum the FFT model draws from.
enum WaterModelType : std::int32_t
{
    GerstnerWaves = 0,
    PhillipsSpectrum = 1,
    PiersonMoskowitzSpectrum = 2,
    JONSWAPSpectrum = 3
};

} // namespace Maris
