#pragma once

#include "fft/FFT.h"

namespace Maris {

// The built-in engine: FFTW's complex 2-D backward transform in double precision, planned once at
// set-up, with one input and one output buffer reused for every transform of a frame.
//
// Plans are measured (FFTW_MEASURE) unless fft-measure-plans is false: measured plans run several
// times faster per frame than quick ones. FFTW's wisdom is kept in a per-user cache file
// ($XDG_CACHE_HOME, else ~/.cache, + "/kelvoview/fftw-wisdom") so that only the first start pays
// for measuring; when that file cannot be read or written, planning is quick (FFTW_ESTIMATE).
class FFTCPU : public FFT
{
public:
    FFTCPU();
    ~FFTCPU() override;

    bool Setup(std::uint32_t width, std::uint32_t height, std::uint32_t count,
               Environment* environment, bool flag) override;
    bool InverseTransform2D(const Complex* const* inputs, float* const* outputs,
                            std::uint32_t count) override;
    bool UsesHalfSpectrum() const override { return false; }
    const char* GetName() const override { return "CPU-based FFTW library"; }

    // A caller whose spectra satisfy h(-k) = conj(h(k)) everywhere but on the first row and
    // column (the Nyquist lines, whose partners lie outside the grid), as the FFT water model's
    // evolution does exactly, may say so: only those lines then need their Hermitian part taken.
    void SetHermitianOffNyquist(bool on) { hermitianOffNyquist = on; }
    bool GetHermitianOffNyquist() const { return hermitianOffNyquist; }

    // Whether the current plan was measured (false: quick planning).
    bool IsPlanMeasured() const { return planMeasured; }
    // The wisdom cache file for this user, empty when there is no cache directory.
    static String GetWisdomPath();

private:
    void Release();
    bool CreatePlan(bool measure);
    // The real part of one array's transform through the complex-to-real plan.
    void TransformAlone(const Complex* spectrum, float* result);

    // 16-byte complex doubles, aligned for the widest vector unit.
    double* input;
    double* output;
    void* inputBlock;
    void* outputBlock;
    void* plan;
    // Complex-to-real plan for an array without a partner: its Hermitian part needs only the
    // first width/2 + 1 columns.
    void* halfPlan;
    bool planMeasured;
    bool hermitianOffNyquist;
};

} // namespace Maris
