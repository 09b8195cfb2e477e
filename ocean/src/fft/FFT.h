#pragma once

#include <Maris/Complex.h>
#include <Maris/Containers.h>
#include <Maris/MemObject.h>
#include <Maris/Vector3.h>

#include <cstdint>

struct ID3D11Resource;
struct IDirect3DTexture9;

namespace Maris {

class Environment;

// A 2-D inverse FFT engine for the FFT water model. CPU engines transform the model's
// frequency-space arrays; GPU engines run the whole per-frame pipeline on the device and write
// straight into the model's textures. Create picks the best engine this machine offers.
class FFT : public MemObject
{
public:
    virtual ~FFT();

    // Prepares transforms of width (the contiguous dimension) by height samples; count is the
    // number of arrays transformed per frame. The flag comes from the water model's Initialize.
    virtual bool Setup(std::uint32_t width, std::uint32_t height, std::uint32_t count,
                       Environment* environment, bool flag) = 0;
    // CPU engines: count unnormalized backward transforms with the zero frequency re-centred;
    // inputs hold height rows of width (or width/2 + 1 with the half spectrum) coefficients,
    // outputs width × height reals.
    virtual bool InverseTransform2D(const Complex* const* inputs, float* const* outputs,
                                    std::uint32_t count);
    // True when the inputs carry only width/2 + 1 columns (the rest follows by symmetry).
    virtual bool UsesHalfSpectrum() const = 0;
    virtual const char* GetName() const = 0;
    // GPU engines: the whole frame on the device, from the initial amplitudes.
    virtual bool TransformEndToEnd(const Complex* h0, double time, double dt, float choppiness,
                                   float depth, float loopPeriod, bool spectrumChanged);
    // Called each frame before the textures are used.
    virtual bool FinishTransform();
    virtual bool RunsOnGPU() const;
    // Samples of the last frame at texture coordinates u, v in 0..1.
    virtual float GetHeightAt(float u, float v);
    virtual void GetDisplacementAt(float u, float v, float& dx, float& dy);
    virtual const Vector<Vector3>& GetSprayPositions();
    // Central height differences one sample either side, wrapped into 0..1.
    virtual void GetSlopeAt(float u, float v, float& sx, float& sy, Environment* environment);
    virtual bool SetOutputTextures(ID3D11Resource* displacement, ID3D11Resource* slopeFoam);
    virtual bool SetOutputTextures(IDirect3DTexture9* displacement, IDirect3DTexture9* slopeFoam);
    virtual bool SetOutputTextures(std::uint32_t displacementTexture,
                                   std::uint32_t slopeFoamTexture);
    virtual bool D3D9DeviceLost();
    virtual bool D3D9DeviceReset();

    // The best engine available: GPU engines first, then the IPP library, else the built-in CPU
    // transform. Null only without an environment.
    static FFT* Create(Environment* environment);
    // The built-in CPU engine: single precision unless fft-cpu-double-precision is set.
    static FFT* CreateCPU();

    void SetEnvironment(Environment* env) { environment = env; }
    Environment* GetEnvironment() const { return environment; }
    std::uint32_t GetWidth() const { return width; }
    std::uint32_t GetHeight() const { return height; }
    std::uint32_t GetTransformCount() const { return transformCount; }

protected:
    FFT();
    // Keeps the sizes that Setup was given, and the environment where there is one.
    void KeepSetup(std::uint32_t width, std::uint32_t height, std::uint32_t count,
                   Environment* environment);

    std::uint32_t width;
    std::uint32_t height;
    std::uint32_t transformCount;
    Environment* environment;

private:
    FFT(const FFT&) = delete;
    FFT& operator=(const FFT&) = delete;

    Vector<Vector3> noSprays;
};

} // namespace Maris
