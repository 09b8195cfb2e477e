// A stand-in compute-shader engine: records what the host hands it, answers from known fields.
#include <Maris/Allocator.h>
#include <Maris/engine/IFFTDevice.h>

#include "TestDeviceRecord.h"

#include <new>

namespace {

TestDeviceRecord record;
// Built in place and never destroyed, so that none of the host's memory functions are needed.
alignas(Maris::Vector<Maris::Vector3>) unsigned char sprayStorage[sizeof(
    Maris::Vector<Maris::Vector3>)];
const Maris::Vector<Maris::Vector3>& Sprays()
{
    static const Maris::Vector<Maris::Vector3>* list =
        new (sprayStorage) Maris::Vector<Maris::Vector3>();
    return *list;
}

class TestDeviceEngine : public Maris::IFFTDevice
{
public:
    explicit TestDeviceEngine(Maris::Allocator* owner) : allocator(owner) {}

    void Release() override
    {
        Maris::Allocator* owner = allocator;
        this->~TestDeviceEngine();
        owner->Free(this);
    }
    bool Setup(std::uint32_t, std::uint32_t, std::uint32_t, Maris::ResourceLoader*,
               const Maris::FFTDeviceSettings& settings) override
    {
        record.settings = settings;
        record.sprays = &Sprays();
        return true;
    }
    bool TransformEndToEnd(const Maris::Complex* h0, double, double dt, float, float depth, float,
                           bool spectrumChanged) override
    {
        record.dt = dt;
        record.depth = depth;
        record.spectrumChanged = spectrumChanged;
        record.firstAmplitude = h0[0];
        return true;
    }
    bool FinishTransform() override
    {
        ++record.finishCalls;
        return true;
    }
    // Height u + 2v; a constant push of (0.1, -0.05) patches.
    float GetHeightAt(float u, float v) override { return u + 2.0f * v; }
    void GetDisplacementAt(float, float, float& dx, float& dy) override
    {
        dx = 0.1f * record.settings.gridSizeX;
        dy = -0.05f * record.settings.gridSizeY;
    }
    const Maris::Vector<Maris::Vector3>& GetSprayPositions() override { return Sprays(); }
    bool SetOutputTextures(ID3D11Resource*, ID3D11Resource*) override { return true; }
    bool SetOutputTextures(IDirect3DTexture9*, IDirect3DTexture9*) override { return true; }
    bool SetOutputTextures(std::uint32_t, std::uint32_t) override { return true; }
    bool D3D9DeviceLost() override { return true; }
    bool D3D9DeviceReset() override { return true; }

private:
    ~TestDeviceEngine() = default;
    Maris::Allocator* allocator;
};

} // namespace

extern "C" {

__attribute__((visibility("default"))) Maris::IFFTDevice* GetIFFTComputeShader(
    Maris::Allocator* allocator)
{
    void* block = allocator->Allocate(sizeof(TestDeviceEngine));
    return block ? new (block) TestDeviceEngine(allocator) : nullptr;
}

// Direct3D feature level 11.0.
__attribute__((visibility("default"))) unsigned GetDeviceFeatureLevel(void*)
{
    return 0xb000;
}

__attribute__((visibility("default"))) const void* TestDeviceRecord()
{
    return &record;
}
}
