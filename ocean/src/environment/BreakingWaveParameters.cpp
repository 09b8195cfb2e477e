#include <Maris/BreakingWaveParameters.h>

#include <cmath>

namespace Maris {

namespace {

const double twoPi = 6.283185307179586;

} // namespace

BreakingWaveParameters::BreakingWaveParameters()
    : wavelength(400.0f),
      wavelengthVariance(200.0f),
      direction(1.0, 0.0, 0.0),
      amplitude(3.0f),
      surgeDepth(8.0f),
      steepnessVariance(0.5f)
{
    // Deep-water phase speed of the breaker wavelength times its wave number.
    const double phaseSpeed = std::sqrt(9.81 * 400.0 / twoPi);
    phaseConstant = static_cast<float>(phaseSpeed * twoPi / 400.0);
    kexp = static_cast<float>(std::exp(1.0 / 2400.0));
}

} // namespace Maris
