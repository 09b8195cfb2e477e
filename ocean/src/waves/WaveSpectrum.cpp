#include "waves/WaveSpectrum.h"

#include "waves/SpectrumMath.h"

#include <cmath>

namespace Maris {

namespace {

const float pi = 3.14159265f;
const float gamma = 3.3f;
const float spectrumFloor = 1e-9f;

} // namespace

WaveSpectrum::WaveSpectrum(int type, float speed, float direction, float fetchLength, float g,
                           bool omni)
    : effectiveType(type == 3 && fetchLength == 0.0f ? 2 : type), windSpeed(speed),
      windDirection(direction), fetch(fetchLength), gravity(g), omnidirectional(omni)
{
    SpectrumMath::BuildExponentialTable();
}

float WaveSpectrum::Evaluate(const FFTSpectrumEntry& entry) const
{
    if (entry.k2 == 0.0f)
        return 0.0f;
    switch (effectiveType) {
    case 1:
        return Phillips(entry);
    case 2:
        return Directional(entry, false);
    case 3:
        return Directional(entry, true);
    default:
        return 0.0f;
    }
}

float WaveSpectrum::Phillips(const FFTSpectrumEntry& entry) const
{
    const float largest = windSpeed * windSpeed / gravity; // L, the largest wave from this wind
    const float smallest = 0.001f * largest;              // waves below l are suppressed
    float alignment = entry.unitX * std::cos(windDirection) - entry.unitY * std::sin(windDirection);
    // Waves running against the wind are damped.
    float filter = alignment < 0.0f ? reflectionFilter : 1.0f;
    if (omnidirectional) {
        alignment = 1.0f;
        filter = 1.0f;
    }
    if (largest == 0.0f)
        return 0.0f;
    float s = phillipsConstant * SpectrumMath::Exp(-1.0f / (entry.k2 * largest * largest)) *
              alignment * alignment * entry.inverseK4;
    s *= SpectrumMath::Exp(-entry.k2 * smallest * smallest) * filter;
    return s;
}

float WaveSpectrum::Directional(const FFTSpectrumEntry& entry, bool peakEnhanced) const
{
    if (!(windSpeed > 0.0f) || entry.omega <= 0.0f)
        return 0.0f;
    const float g = gravity;
    float alpha = piersonMoskowitzConstant;
    float peak = 0.855f * g / windSpeed;
    if (peakEnhanced) {
        alpha = jonswapConstant * std::pow(windSpeed * windSpeed / (g * fetch), 0.22f);
        peak = 22.0f * std::cbrt(g * g / (windSpeed * fetch));
    }
    const float ratio = peak / entry.omega;
    float s = alpha * g * g / entry.omega5 * SpectrumMath::Exp(-1.25f * ratio * ratio * ratio * ratio);
    if (peakEnhanced) {
        const float sigma = entry.omega <= peak ? 0.07f : 0.09f;
        const float offset = entry.omega - peak;
        const float r = SpectrumMath::Exp(-(offset * offset) / (2.0f * sigma * sigma * peak * peak));
        s *= std::pow(gamma, r);
    }
    if (s < spectrumFloor)
        s = spectrumFloor;

    const float normalization = 1.0f / (2.0f * std::sqrt(pi));
    float spreading = normalization;
    if (!omnidirectional) {
        const float sMax = 11.5f * std::pow(g / (peak * windSpeed), 2.5f);
        const float exponent = entry.omega <= peak ? 5.0f : -2.5f;
        const float spread = sMax * std::pow(entry.omega / peak, exponent);
        // The half-angle cosine turns negative beyond a half turn; the spreading is even in it.
        const float halfAngle = std::fabs(std::cos((windDirection - entry.angle) * 0.5f));
        spreading = normalization * std::tgamma(spread + 1.0f) / std::tgamma(spread + 0.5f) *
                    std::pow(halfAngle, 2.0f * spread);
    }
    return spreading * s * entry.jacobian;
}

} // namespace Maris
