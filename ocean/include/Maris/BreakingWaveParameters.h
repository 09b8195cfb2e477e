#pragma once

#include <Maris/Vector3.h>

namespace Maris {

// How waves break on a shore, for the grid shader's breaking-wave path.
struct BreakingWaveParameters
{
    BreakingWaveParameters();

    float wavelength;
    float wavelengthVariance;
    Vector3 direction;
    float amplitude;
    float surgeDepth;
    float steepnessVariance;
    float phaseConstant;
    float kexp;
};

} // namespace Maris
