#pragma once

#include "fft/FFTDeviceEngine.h"

namespace Maris {

// GPU transforms through OpenCL and clFFT, from the optional library "MarisOpenCL".
class FFTOpenCL : public FFTDeviceEngine
{
public:
    FFTOpenCL();

    // Needs the OpenCL runtime with clCreateFromGLTexture (OpenCL 1.2) and the clFFT runtime.
    bool LoadDLL(ResourceLoader* loader);
    // The library's IsCompatibleOpenCL export decides, given the renderer.
    bool IsCompatible(int renderer);

    bool UsesHalfSpectrum() const override { return false; }
    const char* GetName() const override { return "OpenCL clAMDFFT"; }
};

} // namespace Maris
