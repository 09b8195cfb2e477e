#pragma once

#include "fft/FFTDeviceEngine.h"

namespace Maris {

// GPU transforms in Direct3D 11 compute shaders, from the optional library "MarisComputeShader";
// tried only with renderer 6.
class FFTComputeShader : public FFTDeviceEngine
{
public:
    FFTComputeShader();

    bool LoadDLL(ResourceLoader* loader);
    // Needs a device of feature level 11.0 (0xb000) or above. The device is opaque here, so the
    // library's GetDeviceFeatureLevel export reads its level; without that export the test fails.
    bool IsCompatible(void* device);

    bool UsesHalfSpectrum() const override { return false; }
    const char* GetName() const override { return "DirectX11 Compute Shader"; }
};

} // namespace Maris
