#pragma once

#include "waves/FFTWaveTables.h"

namespace Maris {

// The ocean spectra of the FFT water model, evaluated per spectrum-table entry for one wind.
class WaveSpectrum
{
public:
    // type: 1 Phillips, 2 Pierson-Moskowitz, 3 JONSWAP (which needs a fetch; without one the
    // Pierson-Moskowitz spectrum stands in). windDirection in radians, lengths in world units.
    WaveSpectrum(int type, float windSpeed, float windDirection, float fetch, float gravity,
                 bool omnidirectional);

    // The type in use after the fetch rule.
    int GetEffectiveType() const { return effectiveType; }

    void SetPhillipsConstant(float value) { phillipsConstant = value; }
    void SetReflectionFilter(float value) { reflectionFilter = value; }
    // α of Pierson-Moskowitz, and the factor of JONSWAP's fetch-dependent α.
    void SetPiersonMoskowitzConstant(float value) { piersonMoskowitzConstant = value; }
    void SetJONSWAPConstant(float value) { jonswapConstant = value; }

    // Spectral density of one entry; 0 at k = 0.
    float Evaluate(const FFTSpectrumEntry& entry) const;

private:
    float Phillips(const FFTSpectrumEntry& entry) const;
    float Directional(const FFTSpectrumEntry& entry, bool peakEnhanced) const;

    int effectiveType;
    float windSpeed;
    float windDirection;
    float fetch;
    float gravity;
    bool omnidirectional;
    float phillipsConstant = 0.008f;
    float reflectionFilter = 0.4f;
    float piersonMoskowitzConstant = 8.1e-6f;
    float jonswapConstant = 7.6e-5f;
};

} // namespace Maris
