#pragma once

#include "fft/FFT.h"

namespace Maris {

// The default built-in engine: FFTW's single-precision complex-to-real 2-D transforms of half
// spectra, one plan per pair of arrays. Plans are measured and their wisdom kept in the per-user
// cache as the double-precision engine's are (FFTCPU), in a file of their own.
//
// Unlike the other half-spectrum engines it takes its spectra in FFTW's order, zero frequency
// first: row r holds the wave number r (r - height from the middle row on), column c < width/2 + 1
// the wave number c, so the transforms give the sea without re-centring. Each transform overwrites
// its input.
class FFTCPUSingle : public FFT
{
public:
    FFTCPUSingle();
    ~FFTCPUSingle() override;

    bool Setup(std::uint32_t width, std::uint32_t height, std::uint32_t count,
               Environment* environment, bool flag) override;
    // Plans the transforms of these arrays ahead, measured where the wisdom cache allows, which
    // overwrites them. Arrays not prepared get quick plans when they are first transformed.
    bool Prepare(Complex* const* inputs, float* const* outputs, std::uint32_t count);
    bool InverseTransform2D(const Complex* const* inputs, float* const* outputs,
                            std::uint32_t count) override;
    bool UsesHalfSpectrum() const override { return true; }
    const char* GetName() const override { return "CPU-based FFTW library, single precision"; }

    // Whether the prepared plans were measured (false: quick planning).
    bool IsPlanMeasured() const { return planMeasured; }

private:
    struct Plan
    {
        const Complex* input;
        float* output;
        void* plan;
    };

    void Release();
    void* PlanFor(Complex* input, float* output, bool measure) const;
    bool PrepareAll(Complex* const* inputs, float* const* outputs, std::uint32_t count,
                    bool measure);

    Vector<Plan> plans;
    bool planMeasured;
};

} // namespace Maris
