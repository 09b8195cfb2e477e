#include "fft/FFTCPUSingle.h"

#include "core/Configuration.h"
#include "fft/FFTWisdom.h"
#include <Maris/Message.h>

#include <fftw3.h>

namespace Maris {

FFTCPUSingle::FFTCPUSingle() : planMeasured(false) {}

FFTCPUSingle::~FFTCPUSingle()
{
    Release();
}

void FFTCPUSingle::Release()
{
    for (const Plan& plan : plans)
        fftwf_destroy_plan(static_cast<fftwf_plan>(plan.plan));
    plans.clear();
    planMeasured = false;
}

bool FFTCPUSingle::Setup(std::uint32_t widthValue, std::uint32_t heightValue, std::uint32_t count,
                         Environment* env, bool)
{
    Release();
    KeepSetup(widthValue, heightValue, count, env);
    return true;
}

void* FFTCPUSingle::PlanFor(Complex* input, float* output, bool measure) const
{
    // Rows are the slow dimension, so FFTW's first size is the height.
    return fftwf_plan_dft_c2r_2d(static_cast<int>(height), static_cast<int>(width),
                                 reinterpret_cast<fftwf_complex*>(input), output,
                                 measure ? FFTW_MEASURE : FFTW_ESTIMATE);
}

bool FFTCPUSingle::PrepareAll(Complex* const* inputs, float* const* outputs, std::uint32_t count,
                              bool measure)
{
    Release();
    for (std::uint32_t n = 0; n < count; ++n) {
        void* plan = PlanFor(inputs[n], outputs[n], measure);
        if (!plan)
            return false;
        plans.push_back(Plan{inputs[n], outputs[n], plan});
    }
    planMeasured = measure;
    return true;
}

bool FFTCPUSingle::Prepare(Complex* const* inputs, float* const* outputs, std::uint32_t count)
{
    const bool measure = Configuration::Get(ConfigKey::FFTMeasurePlans) &&
                         FFTWisdom::Import(FFTWisdom::Single);
    bool ready = PrepareAll(inputs, outputs, count, measure) ||
                 (measure && PrepareAll(inputs, outputs, count, false));
    // Without a cache every start would measure again; quick plans keep start-up short.
    if (ready && planMeasured && !FFTWisdom::Export(FFTWisdom::Single))
        ready = PrepareAll(inputs, outputs, count, false);
    if (!ready)
        Message("Unable to create FFTW plan in FFTCPUSingle::Prepare.");
    return ready;
}

bool FFTCPUSingle::InverseTransform2D(const Complex* const* inputs, float* const* outputs,
                                      std::uint32_t count)
{
    for (std::uint32_t n = 0; n < count; ++n) {
        void* plan = nullptr;
        for (const Plan& prepared : plans)
            if (prepared.input == inputs[n] && prepared.output == outputs[n])
                plan = prepared.plan;
        if (!plan) {
            // Quick planning leaves the arrays as they are.
            plan = PlanFor(const_cast<Complex*>(inputs[n]), outputs[n], false);
            if (!plan) {
                Message("Unable to create FFTW plan in FFTCPUSingle::InverseTransform2D.");
                return false;
            }
            plans.push_back(Plan{inputs[n], outputs[n], plan});
        }
        fftwf_execute(static_cast<fftwf_plan>(plan));
    }
    return true;
}

} // namespace Maris
