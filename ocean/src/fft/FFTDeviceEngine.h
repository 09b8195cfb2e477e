#pragma once

#include "fft/FFT.h"
#include <Maris/engine/FFTDeviceSettings.h>
#include <Maris/engine/IFFTDevice.h>

namespace Maris {

class ResourceLoader;

// Common part of the GPU engines: each lives in an optional library whose interface object runs
// the whole frame on the device. Every operation forwards to that object; without it the
// operation is reported and answers false.
class FFTDeviceEngine : public FFT
{
public:
    ~FFTDeviceEngine() override;

    bool Setup(std::uint32_t width, std::uint32_t height, std::uint32_t count,
               Environment* environment, bool flag) override;
    bool TransformEndToEnd(const Complex* h0, double time, double dt, float choppiness,
                           float depth, float loopPeriod, bool spectrumChanged) override;
    bool FinishTransform() override;
    bool RunsOnGPU() const override { return true; }
    float GetHeightAt(float u, float v) override;
    void GetDisplacementAt(float u, float v, float& dx, float& dy) override;
    const Vector<Vector3>& GetSprayPositions() override;
    bool SetOutputTextures(ID3D11Resource* displacement, ID3D11Resource* slopeFoam) override;
    bool SetOutputTextures(IDirect3DTexture9* displacement, IDirect3DTexture9* slopeFoam) override;
    bool SetOutputTextures(std::uint32_t displacementTexture,
                           std::uint32_t slopeFoamTexture) override;
    bool D3D9DeviceLost() override;
    bool D3D9DeviceReset() override;

    const FFTDeviceSettings& GetSettings() const { return settings; }

    // The names and messages that tell the engines apart.
    struct Texts
    {
        const char* className;     // "FFTOpenCL"
        const char* interfaceName; // "IFFTOpenCL"
        const char* libraryName;   // "MarisOpenCL"
        const char* factoryName;   // "GetIFFTOpenCL"
        const char* loadedMessage; // reported when the factory first delivers
        const char* nullEnvironmentMessage;
        const char* invalidRendererMessage;
        // "No IFFTComputeShader present in ..." rather than "No DLL interface present in ...".
        bool namesInterfaceWhenMissing;
        // Whether the Direct3D 11 device is handed to the library.
        bool passesDirect3D11Device;
    };

protected:
    explicit FFTDeviceEngine(const Texts& texts);

    // Opens the engine library (once per process) and finds its factory; reports the failure.
    bool LoadEngineLibrary(ResourceLoader* loader);
    void* GetLibraryHandle() const { return handle; }

private:
    bool Missing(const char* operation);
    void Failed(const char* operation, const char* suffix = nullptr);
    bool FillSettings(bool flag);

    Texts texts;
    void* handle;
    IFFTDeviceFactory factory;
    IFFTDevice* library;
    FFTDeviceSettings settings;
    Vector<Vector3> noSprays;
};

} // namespace Maris
