#include "FFTCPU.h"

#include "Configuration.h"
#include "FFTWisdom.h"
#include "Memory.h"
#include "Message.h"

#include <cstdint>
#include <fftw3.h>

namespace Maris {

namespace {

const std::size_t bufferAlignment = 64;

double* AlignedComplexBuffer(std::size_t count, void*& block)
{
    block = AllocateMemory(count * 2 * sizeof(double) + bufferAlignment);
    if (!block)
        return nullptr;
    const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t aligned = (address + bufferAlignment - 1) & ~(bufferAlignment - 1);
    return reinterpret_cast<double*>(aligned);
}

} // namespace

FFTCPU::FFTCPU()
    : input(nullptr), output(nullptr), inputBlock(nullptr), outputBlock(nullptr), plan(nullptr),
      planMeasured(false)
{
}

FFTCPU::~FFTCPU()
{
    Release();
}

void FFTCPU::Release()
{
    if (plan)
        fftw_destroy_plan(static_cast<fftw_plan>(plan));
    plan = nullptr;
    FreeMemory(inputBlock);
    FreeMemory(outputBlock);
    inputBlock = outputBlock = nullptr;
    input = output = nullptr;
}

String FFTCPU::GetWisdomPath()
{
    return FFTWisdom::GetPath();
}

bool FFTCPU::CreatePlan(bool measure)
{
    const unsigned flags = measure ? FFTW_MEASURE : FFTW_ESTIMATE;
    // Rows are the slow dimension, so FFTW's first size is the height.
    plan = fftw_plan_dft_2d(static_cast<int>(height), static_cast<int>(width),
                            reinterpret_cast<fftw_complex*>(input),
                            reinterpret_cast<fftw_complex*>(output), FFTW_BACKWARD, flags);
    planMeasured = plan && measure;
    return plan != nullptr;
}

bool FFTCPU::Setup(std::uint32_t widthValue, std::uint32_t heightValue, std::uint32_t count,
                   Environment* env, bool)
{
    Release();
    width = widthValue;
    height = heightValue;
    transformCount = count;
    if (env)
        environment = env;

    const std::size_t cells = static_cast<std::size_t>(width) * height;
    input = AlignedComplexBuffer(cells, inputBlock);
    if (!input)
        Message("Unable to allocate memory for FFTCPU input buffer.");
    output = AlignedComplexBuffer(cells, outputBlock);
    if (!output)
        Message("Unable to allocate memory for FFTCPU output buffer.");
    if (!input || !output)
        return false;

    bool measure = true;
    Configuration::GetBoolValue("fft-measure-plans", measure);
    // Measuring overwrites the buffers, which hold nothing yet.
    measure = measure && FFTWisdom::Import();
    if (!CreatePlan(measure) && !(measure && CreatePlan(false))) {
        Message("Unable to create FFTW plan in FFTCPU::Setup.");
        return false;
    }
    if (planMeasured && !FFTWisdom::Export()) {
        // Without a cache every start would measure again; quick plans keep start-up short.
        fftw_destroy_plan(static_cast<fftw_plan>(plan));
        plan = nullptr;
        if (!CreatePlan(false)) {
            Message("Unable to create FFTW plan in FFTCPU::Setup.");
            return false;
        }
    }
    return true;
}

bool FFTCPU::InverseTransform2D(const Complex* const* inputs, float* const* outputs,
                                std::uint32_t count)
{
    if (!plan)
        return false;
    const std::size_t cells = static_cast<std::size_t>(width) * height;
    for (std::uint32_t n = 0; n < count; ++n) {
        const float* source = reinterpret_cast<const float*>(inputs[n]);
        for (std::size_t i = 0; i < 2 * cells; ++i)
            input[i] = source[i];
        fftw_execute(static_cast<fftw_plan>(plan));
        // The spectrum's zero frequency sits mid-grid; (-1)^(r+c) moves it to the origin.
        float* destination = outputs[n];
        for (std::uint32_t r = 0; r < height; ++r) {
            const double* row = output + 2 * static_cast<std::size_t>(r) * width;
            float* target = destination + static_cast<std::size_t>(r) * width;
            const double first = (r & 1u) ? -1.0 : 1.0;
            for (std::uint32_t c = 0; c < width; c += 2) {
                target[c] = static_cast<float>(first * row[2 * c]);
                if (c + 1 < width)
                    target[c + 1] = static_cast<float>(-first * row[2 * c + 2]);
            }
        }
    }
    return true;
}

} // namespace Maris
