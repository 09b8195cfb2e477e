#include "fft/FFTCPU.h"

#include "core/Configuration.h"
#include "fft/FFTWisdom.h"
#include <Maris/Memory.h>
#include <Maris/Message.h>

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

// One cell of A_h + i B_h, the Hermitian parts of two spectra (interleaved re, im floats).
inline void PackHermitianPair(const float* a, const float* am, const float* b, const float* bm,
                              std::uint32_t c, std::uint32_t mc, double* target)
{
    const float aRe = 0.5f * (a[2 * c] + am[2 * mc]);
    const float aIm = 0.5f * (a[2 * c + 1] - am[2 * mc + 1]);
    const float bRe = 0.5f * (b[2 * c] + bm[2 * mc]);
    const float bIm = 0.5f * (b[2 * c + 1] - bm[2 * mc + 1]);
    target[2 * c] = static_cast<double>(aRe) - bIm;
    target[2 * c + 1] = static_cast<double>(aIm) + bRe;
}

} // namespace

FFTCPU::FFTCPU()
    : input(nullptr), output(nullptr), inputBlock(nullptr), outputBlock(nullptr), plan(nullptr),
      halfPlan(nullptr), planMeasured(false), hermitianOffNyquist(false)
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
    if (halfPlan)
        fftw_destroy_plan(static_cast<fftw_plan>(halfPlan));
    plan = nullptr;
    halfPlan = nullptr;
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
    if (plan)
        halfPlan = fftw_plan_dft_c2r_2d(static_cast<int>(height), static_cast<int>(width),
                                        reinterpret_cast<fftw_complex*>(input), output, flags);
    return plan != nullptr;
}

bool FFTCPU::Setup(std::uint32_t widthValue, std::uint32_t heightValue, std::uint32_t count,
                   Environment* env, bool)
{
    Release();
    KeepSetup(widthValue, heightValue, count, env);

    const std::size_t cells = static_cast<std::size_t>(width) * height;
    input = AlignedComplexBuffer(cells, inputBlock);
    if (!input)
        Message("Unable to allocate memory for FFTCPU input buffer.");
    output = AlignedComplexBuffer(cells, outputBlock);
    if (!output)
        Message("Unable to allocate memory for FFTCPU output buffer.");
    if (!input || !output)
        return false;

    // Measuring overwrites the buffers, which hold nothing yet.
    const bool measure = Configuration::Get(ConfigKey::FFTMeasurePlans) && FFTWisdom::Import();
    if (!CreatePlan(measure) && !(measure && CreatePlan(false))) {
        Message("Unable to create FFTW plan in FFTCPU::Setup.");
        return false;
    }
    if (planMeasured && !FFTWisdom::Export()) {
        // Without a cache every start would measure again; quick plans keep start-up short.
        fftw_destroy_plan(static_cast<fftw_plan>(plan));
        if (halfPlan)
            fftw_destroy_plan(static_cast<fftw_plan>(halfPlan));
        plan = nullptr;
        halfPlan = nullptr;
        if (!CreatePlan(false)) {
            Message("Unable to create FFTW plan in FFTCPU::Setup.");
            return false;
        }
    }
    return true;
}

// Only the real part of each transform is kept, and that real part is the transform of the
// spectrum's Hermitian part, (A(k) + conj(A(-k))) / 2, whose transform is real. Two Hermitian
// spectra A and B therefore share one complex transform of A + iB: the real part of the result
// is the one, the imaginary part the other. Five arrays take three transforms.
bool FFTCPU::InverseTransform2D(const Complex* const* inputs, float* const* outputs,
                                std::uint32_t count)
{
    if (!plan)
        return false;
    for (std::uint32_t n = 0; n < count; n += 2) {
        const Complex* first = inputs[n];
        const Complex* second = n + 1 < count ? inputs[n + 1] : nullptr;
        for (std::uint32_t r = 0; r < height; ++r) {
            // -k of the centred cell (r, c) is (height - r, width - c), modulo the grid.
            const std::uint32_t mirrorRow = (height - r) % height;
            const float* a = reinterpret_cast<const float*>(first + static_cast<std::size_t>(r) * width);
            const float* am =
                reinterpret_cast<const float*>(first + static_cast<std::size_t>(mirrorRow) * width);
            double* target = input + 2 * static_cast<std::size_t>(r) * width;
            if (second) {
                const float* b =
                    reinterpret_cast<const float*>(second + static_cast<std::size_t>(r) * width);
                const float* bm = reinterpret_cast<const float*>(
                    second + static_cast<std::size_t>(mirrorRow) * width);
                PackHermitianPair(a, am, b, bm, 0, 0, target);
                if (hermitianOffNyquist && r > 0) {
                    // Already Hermitian: A + iB as it stands.
                    for (std::uint32_t c = 1; c < width; ++c) {
                        target[2 * c] = static_cast<double>(a[2 * c]) - b[2 * c + 1];
                        target[2 * c + 1] = static_cast<double>(a[2 * c + 1]) + b[2 * c];
                    }
                } else {
                    for (std::uint32_t c = 1; c < width; ++c)
                        PackHermitianPair(a, am, b, bm, c, width - c, target);
                }
            } else if (!halfPlan) {
                for (std::uint32_t c = 0; c < 2 * width; ++c)
                    target[c] = a[c];
            }
        }
        if (!second && halfPlan) {
            TransformAlone(first, outputs[n]);
            continue;
        }
        fftw_execute(static_cast<fftw_plan>(plan));
        // The spectrum's zero frequency sits mid-grid; (-1)^(r+c) moves it to the origin.
        float* firstOut = outputs[n];
        float* secondOut = second ? outputs[n + 1] : nullptr;
        for (std::uint32_t r = 0; r < height; ++r) {
            const double* row = output + 2 * static_cast<std::size_t>(r) * width;
            const std::size_t start = static_cast<std::size_t>(r) * width;
            const double even = (r & 1u) ? -1.0 : 1.0;
            float* realOut = firstOut + start;
            for (std::uint32_t c = 0; c + 1 < width; c += 2) {
                realOut[c] = static_cast<float>(even * row[2 * c]);
                realOut[c + 1] = static_cast<float>(-even * row[2 * c + 2]);
            }
            // An odd width ends on an even column.
            const std::uint32_t last = width - 1;
            if (width & 1u)
                realOut[last] = static_cast<float>(even * row[2 * last]);
            if (secondOut) {
                float* imagOut = secondOut + start;
                for (std::uint32_t c = 0; c + 1 < width; c += 2) {
                    imagOut[c] = static_cast<float>(even * row[2 * c + 1]);
                    imagOut[c + 1] = static_cast<float>(-even * row[2 * c + 3]);
                }
                if (width & 1u)
                    imagOut[last] = static_cast<float>(even * row[2 * last + 1]);
            }
        }
    }
    return true;
}

void FFTCPU::TransformAlone(const Complex* spectrum, float* result)
{
    const std::uint32_t half = width / 2 + 1;
    for (std::uint32_t r = 0; r < height; ++r) {
        const std::uint32_t mirrorRow = (height - r) % height;
        const Complex* a = spectrum + static_cast<std::size_t>(r) * width;
        const Complex* am = spectrum + static_cast<std::size_t>(mirrorRow) * width;
        double* target = input + 2 * static_cast<std::size_t>(r) * half;
        if (hermitianOffNyquist && r > 0) {
            target[0] = 0.5 * (static_cast<double>(a[0].real()) + am[0].real());
            target[1] = 0.5 * (static_cast<double>(a[0].imag()) - am[0].imag());
            for (std::uint32_t c = 1; c < half; ++c) {
                target[2 * c] = a[c].real();
                target[2 * c + 1] = a[c].imag();
            }
            continue;
        }
        for (std::uint32_t c = 0; c < half; ++c) {
            const std::uint32_t mc = c == 0 ? 0 : width - c;
            target[2 * c] = 0.5 * (static_cast<double>(a[c].real()) + am[mc].real());
            target[2 * c + 1] = 0.5 * (static_cast<double>(a[c].imag()) - am[mc].imag());
        }
    }
    fftw_execute(static_cast<fftw_plan>(halfPlan));
    for (std::uint32_t r = 0; r < height; ++r) {
        const double* row = output + static_cast<std::size_t>(r) * width;
        float* target = result + static_cast<std::size_t>(r) * width;
        double sign = (r & 1u) ? -1.0 : 1.0;
        for (std::uint32_t c = 0; c < width; ++c, sign = -sign)
            target[c] = static_cast<float>(sign * row[c]);
    }
}

} // namespace Maris
