#pragma once

#include "fft/FFT.h"
#include <Maris/engine/IFFTIPP.h>

namespace Maris {

class ResourceLoader;

// CPU transforms from the optional IPP engine library (resource directory + "lib/libMarisIPP.so"),
// on the half spectrum. Every operation forwards to the library's interface object.
class FFTIPP : public FFT
{
public:
    FFTIPP();
    ~FFTIPP() override;

    // Opens the library (once per process) and finds its factory GetIFFTIPP.
    bool LoadDLL(ResourceLoader* loader);
    // False when disable-ipp is set.
    bool IsCompatible();

    bool Setup(std::uint32_t width, std::uint32_t height, std::uint32_t count,
               Environment* environment, bool flag) override;
    bool InverseTransform2D(const Complex* const* inputs, float* const* outputs,
                            std::uint32_t count) override;
    bool UsesHalfSpectrum() const override { return true; }
    const char* GetName() const override { return "Intel Integrated Performance Primitives"; }

private:
    IFFTIPPFactory factory;
    IFFTIPP* library;
};

} // namespace Maris
