#include "fft/FFT.h"

#include "core/Configuration.h"
#include <Maris/Environment.h>
#include "fft/FFTCPU.h"
#include "fft/FFTCPUSingle.h"
#include "fft/FFTCUDA.h"
#include "fft/FFTComputeShader.h"
#include "fft/FFTIPP.h"
#include "fft/FFTOpenCL.h"
#include <Maris/Memory.h>
#include <Maris/Message.h>

#include <cmath>
#include <new>

namespace Maris {

namespace {

float WrapUnit(float value)
{
    value -= std::floor(value);
    return value;
}

// A new engine in library memory, or none when the allocator has none to give.
template <typename Engine>
Engine* NewEngine()
{
    void* block = AllocateMemory(sizeof(Engine));
    return block ? new (block) Engine() : nullptr;
}

// The engine if it passes both its library load and its compatibility test, else none.
template <typename Engine, typename Test>
FFT* TryEngine(ResourceLoader* loader, Test isCompatible, const char* usingMessage)
{
    Engine* engine = NewEngine<Engine>();
    if (!engine)
        return nullptr;
    if (engine->LoadDLL(loader) && isCompatible(*engine)) {
        Message(usingMessage);
        return engine;
    }
    delete engine;
    return nullptr;
}

} // namespace

FFT* FFT::CreateCPU()
{
    if (Configuration::Get(ConfigKey::FFTCPUDoublePrecision))
        return NewEngine<FFTCPU>();
    return NewEngine<FFTCPUSingle>();
}

FFT::FFT() : width(0), height(0), transformCount(0), environment(nullptr) {}

FFT::~FFT() = default;

void FFT::KeepSetup(std::uint32_t widthValue, std::uint32_t heightValue, std::uint32_t count,
                    Environment* env)
{
    width = widthValue;
    height = heightValue;
    transformCount = count;
    if (env)
        environment = env;
}

bool FFT::InverseTransform2D(const Complex* const*, float* const*, std::uint32_t)
{
    return false;
}

bool FFT::TransformEndToEnd(const Complex*, double, double, float, float, float, bool)
{
    return false;
}

bool FFT::FinishTransform()
{
    return true;
}

bool FFT::RunsOnGPU() const
{
    return false;
}

float FFT::GetHeightAt(float, float)
{
    return 0.0f;
}

void FFT::GetDisplacementAt(float, float, float& dx, float& dy)
{
    dx = 0.0f;
    dy = 0.0f;
}

const Vector<Vector3>& FFT::GetSprayPositions()
{
    return noSprays;
}

void FFT::GetSlopeAt(float u, float v, float& sx, float& sy, Environment* env)
{
    if (!env || width == 0 || height == 0)
        return;
    const float sizeX = Configuration::Get(ConfigKey::FFTGridSizeX);
    const float sizeY = Configuration::Get(ConfigKey::FFTGridSizeY);
    const float lx = static_cast<float>(sizeX / env->GetMetersPerUnit());
    const float ly = static_cast<float>(sizeY / env->GetMetersPerUnit());
    const float w = static_cast<float>(width);
    const float h = static_cast<float>(height);
    const float uPlus = WrapUnit(u + 1.0f / w);
    const float uMinus = WrapUnit(u - 1.0f / w);
    const float vPlus = WrapUnit(v + 1.0f / h);
    const float vMinus = WrapUnit(v - 1.0f / h);
    sx = (GetHeightAt(uPlus, v) - GetHeightAt(uMinus, v)) / (2.0f * w / lx);
    sy = (GetHeightAt(u, vPlus) - GetHeightAt(u, vMinus)) / (2.0f * h / ly);
}

bool FFT::SetOutputTextures(ID3D11Resource*, ID3D11Resource*)
{
    return true;
}

bool FFT::SetOutputTextures(IDirect3DTexture9*, IDirect3DTexture9*)
{
    return true;
}

bool FFT::SetOutputTextures(std::uint32_t, std::uint32_t)
{
    return true;
}

bool FFT::D3D9DeviceLost()
{
    return true;
}

bool FFT::D3D9DeviceReset()
{
    return true;
}

FFT* FFT::Create(Environment* env)
{
    if (!env) {
        Message("Null environment received in FFT::Create");
        return nullptr;
    }
    FFT* engine = nullptr;
    if (Configuration::Get(ConfigKey::FFTForceCPU)) {
        Message("(INFO) CPU-based FFT forced by fft-force-cpu setting.");
        engine = CreateCPU();
    } else {
        ResourceLoader* loader = env->GetResourceLoader();
        if (env->GetRenderer() == Direct3D11)
            engine = TryEngine<FFTComputeShader>(
                loader, [env](FFTComputeShader& e) { return e.IsCompatible(env->GetDevice()); },
                "(INFO) Using FFTComputeShader.");
        if (!engine)
            engine = TryEngine<FFTCUDA>(
                loader, [](FFTCUDA& e) { return e.IsCompatible(); }, "(INFO) Using FFTCUDA.");
        if (!engine)
            engine = TryEngine<FFTOpenCL>(
                loader, [env](FFTOpenCL& e) { return e.IsCompatible(env->GetRenderer()); },
                "(INFO) Using FFTOpenCL.");
        if (!engine)
            engine = TryEngine<FFTIPP>(
                loader, [](FFTIPP& e) { return e.IsCompatible(); }, "(INFO) Using FFTIPP.");
        if (!engine) {
            Message("Using FFTCPU, which really shouldn't happen. Did you move Maris's FFT DLL's "
                    "out of your resources folder?");
            engine = CreateCPU();
        }
    }
    if (!engine) {
        Message("No FFT implementation could be created!");
        return nullptr;
    }
    engine->environment = env;
    return engine;
}

} // namespace Maris
