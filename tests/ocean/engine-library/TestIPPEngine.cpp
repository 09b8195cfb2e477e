// A stand-in IPP engine: half-spectrum transforms by FFTW, failing on demand (TestEngineFail).
#include <Maris/Allocator.h>
#include <Maris/engine/IFFTIPP.h>

#include <fftw3.h>

#include <complex>
#include <cstddef>
#include <new>
#include <vector>

namespace {

bool failTransforms = false;
bool failSetups = false;

class TestIPPEngine : public Maris::IFFTIPP
{
public:
    explicit TestIPPEngine(Maris::Allocator* owner) : allocator(owner) {}

    void Release() override
    {
        Maris::Allocator* owner = allocator;
        this->~TestIPPEngine();
        owner->Free(this);
    }

    bool Setup(std::uint32_t w, std::uint32_t h, std::uint32_t, Maris::ResourceLoader*) override
    {
        if (failSetups)
            return false;
        width = w;
        height = h;
        buffer.assign(static_cast<std::size_t>(w) * h, {});
        auto* data = reinterpret_cast<fftw_complex*>(buffer.data());
        if (plan)
            fftw_destroy_plan(plan);
        plan = fftw_plan_dft_2d(static_cast<int>(h), static_cast<int>(w), data, data,
                                FFTW_BACKWARD, FFTW_ESTIMATE);
        return plan != nullptr;
    }

    bool InverseTransform2D(const Maris::Complex* const* inputs, float* const* outputs,
                            std::uint32_t count) override
    {
        if (failTransforms || !plan)
            return false;
        const std::uint32_t half = width / 2 + 1;
        for (std::uint32_t n = 0; n < count; ++n) {
            // Columns beyond the half follow from h(-k) = conj(h(k)) on the centred grid.
            for (std::uint32_t r = 0; r < height; ++r)
                for (std::uint32_t c = 0; c < width; ++c) {
                    buffer[r * width + c] =
                        c < half ? inputs[n][r * half + c]
                                 : std::conj(inputs[n][((height - r) % height) * half + width - c]);
                }
            fftw_execute(plan);
            for (std::uint32_t r = 0; r < height; ++r)
                for (std::uint32_t c = 0; c < width; ++c) {
                    const double value = buffer[r * width + c].real();
                    outputs[n][r * width + c] = static_cast<float>((r + c) & 1u ? -value : value);
                }
        }
        return true;
    }

private:
    ~TestIPPEngine()
    {
        if (plan)
            fftw_destroy_plan(plan);
    }

    Maris::Allocator* allocator;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::complex<double>> buffer;
    fftw_plan plan = nullptr;
};

} // namespace

extern "C" {

__attribute__((visibility("default"))) Maris::IFFTIPP* GetIFFTIPP(Maris::Allocator* allocator)
{
    void* block = allocator->Allocate(sizeof(TestIPPEngine));
    return block ? new (block) TestIPPEngine(allocator) : nullptr;
}

__attribute__((visibility("default"))) void TestEngineFail(bool setups, bool transforms)
{
    failSetups = setups;
    failTransforms = transforms;
}
}
