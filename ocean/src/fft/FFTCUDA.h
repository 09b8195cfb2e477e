#pragma once

#include "fft/FFTDeviceEngine.h"

namespace Maris {

// GPU transforms through CUDA and CUFFT, from the optional library "MarisCUDA". Works on the half
// spectrum.
class FFTCUDA : public FFTDeviceEngine
{
public:
    FFTCUDA();

    // Needs the CUDA runtime and CUFFT.
    bool LoadDLL(ResourceLoader* loader);
    // The library's IsCompatible export decides.
    bool IsCompatible();

    bool UsesHalfSpectrum() const override { return true; }
    const char* GetName() const override { return "NVidia CUDA CUFFT"; }
};

} // namespace Maris
