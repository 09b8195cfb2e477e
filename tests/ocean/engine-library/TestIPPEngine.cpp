// A stand-in for the optional IPP engine library, for tests only: half-spectrum inverse
// transforms done by FFTW, which fail on demand through TestEngineFail.
#include <Maris/Allocator.h>
#include <Maris/engine/IFFTIPP.h>

#include <fftw3.h>

#include <cstddef>
#include <new>

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
        Clear();
        width = w;
        height = h;
        const std::size_t cells = static_cast<std::size_t>(w) * h;
        buffer = fftw_alloc_complex(cells);
        plan = fftw_plan_dft_2d(static_cast<int>(h), static_cast<int>(w), buffer, buffer,
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
                    Maris::Complex value;
                    if (c < half)
                        value = inputs[n][r * half + c];
                    else
                        value = std::conj(inputs[n][((height - r) % height) * half + (width - c)]);
                    buffer[r * width + c][0] = value.real();
                    buffer[r * width + c][1] = value.imag();
                }
            fftw_execute(plan);
            for (std::uint32_t r = 0; r < height; ++r)
                for (std::uint32_t c = 0; c < width; ++c) {
                    const double sign = ((r + c) & 1u) ? -1.0 : 1.0;
                    outputs[n][r * width + c] =
                        static_cast<float>(sign * buffer[r * width + c][0]);
                }
        }
        return true;
    }

private:
    ~TestIPPEngine() { Clear(); }
    void Clear()
    {
        if (plan)
            fftw_destroy_plan(plan);
        if (buffer)
            fftw_free(buffer);
        plan = nullptr;
        buffer = nullptr;
    }

    Maris::Allocator* allocator;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    fftw_complex* buffer = nullptr;
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
