#pragma once

#include <Maris/Complex.h>
#include <Maris/Containers.h>
#include <Maris/engine/FFTDeviceSettings.h>
#include <Maris/Vector3.h>

#include <cstdint>

struct ID3D11Resource;
struct IDirect3DTexture9;

namespace Maris {

class Allocator;
class ResourceLoader;

// What an optional GPU engine library (OpenCL, CUDA, compute shader) implements: the whole
// per-frame pipeline on the device, from the initial amplitudes to the two output textures.
// Each library exports a factory (GetIFFTOpenCL, GetIFFTCUDA, GetIFFTComputeShader) that builds
// the object with the allocator it is given.
class IFFTDevice
{
public:
    // Destroys the object and returns its memory to the allocator it was built with.
    virtual void Release() = 0;
    virtual bool Setup(std::uint32_t width, std::uint32_t height, std::uint32_t count,
                       ResourceLoader* loader, const FFTDeviceSettings& settings) = 0;
    virtual bool TransformEndToEnd(const Complex* h0, double time, double dt, float choppiness,
                                   float depth, float loopPeriod, bool spectrumChanged) = 0;
    virtual bool FinishTransform() = 0;
    virtual float GetHeightAt(float u, float v) = 0;
    virtual void GetDisplacementAt(float u, float v, float& dx, float& dy) = 0;
    virtual const Vector<Vector3>& GetSprayPositions() = 0;
    virtual bool SetOutputTextures(ID3D11Resource* displacement, ID3D11Resource* slopeFoam) = 0;
    virtual bool SetOutputTextures(IDirect3DTexture9* displacement,
                                   IDirect3DTexture9* slopeFoam) = 0;
    virtual bool SetOutputTextures(std::uint32_t displacementTexture,
                                   std::uint32_t slopeFoamTexture) = 0;
    virtual bool D3D9DeviceLost() = 0;
    virtual bool D3D9DeviceReset() = 0;

protected:
    ~IFFTDevice() = default;
};

using IFFTDeviceFactory = IFFTDevice* (*)(Allocator* allocator);

} // namespace Maris
