// One simulation frame of the FFT water model (evolution, five transforms, assembly of the output
// buffers) on the built-in CPU engines, single precision (the default) and double precision,
// against the floor: FFTW alone doing the frame's five single-precision complex-to-real
// transforms with a measured plan. Spectrum regeneration, which runs only when wind or settings
// change, is measured on its own.
#include "core/Configuration.h"
#include <Maris/Environment.h>
#include "waves/FFTWaterModel.h"
#include <Maris/Message.h>
#include <Maris/ResourceLoader.h>

#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

const int transformsPerFrame = 5;

void Quiet(Maris::MessageChannel, const char*, void*) {}

// A simulation-only environment on a scratch resource directory.
class BenchEnvironment
{
public:
    explicit BenchEnvironment(int dimension)
    {
        char pattern[] = "/tmp/ocean-fft-bench-XXXXXX";
        directory = mkdtemp(pattern);
        std::ofstream(directory + "/Maris.config")
            << "fft-force-cpu = true\nfft-exact-normals = true\nfft-enable-choppiness = true\n"
            << "fft-grid-dimension-x = " << dimension << "\nfft-grid-dimension-y = " << dimension
            << "\n";
        Maris::SetMessageHandler(&Quiet, nullptr);
        loader = std::make_unique<Maris::ResourceLoader>(directory.c_str(), false);
        environment = std::make_unique<Maris::Environment>();
        environment->Initialize(Maris::FlatZUp, Maris::NoRenderer, loader.get(), nullptr, false);
        environment->SimulateSeaState(6.0, 0.5);
    }
    ~BenchEnvironment()
    {
        environment.reset();
        loader.reset();
        std::remove((directory + "/Maris.config").c_str());
        rmdir(directory.c_str());
        Maris::SetMessageHandler(nullptr, nullptr);
    }

    std::string directory;
    std::unique_ptr<Maris::ResourceLoader> loader;
    std::unique_ptr<Maris::Environment> environment;
};

// Gives the benchmark the spectrum step alone.
class RegeneratingModel : public Maris::FFTWaterModel
{
public:
    using FFTWaterModel::FFTWaterModel;
    void Regenerate(float windSpeed) { RegenerateSpectrum(windSpeed, 0.0f); }
};

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A model on the single- or double-precision CPU engine with five transforms a frame, its
// spectrum drawn; null when it does not come up so.
std::unique_ptr<Maris::FFTWaterModel> Model(BenchEnvironment& bench, bool doublePrecision)
{
    Maris::Configuration::SetConfigEntry("fft-cpu-double-precision",
                                         doublePrecision ? "true" : "false");
    std::unique_ptr<Maris::FFTWaterModel> model(
        new Maris::FFTWaterModel(bench.environment.get(), 2));
    if (!model->Initialize(0, 0, false) || model->GetTransformCount() != transformsPerFrame ||
        !model->UpdateSimulation(1.0))
        return nullptr;
    return model;
}

// The floor: n × n reals from n × (n/2 + 1) complex floats by a measured FFTW plan, once per field
// of the frame. The transform overwrites its input, which is restored outside the timing.
class Floor
{
public:
    explicit Floor(int n) : cells(static_cast<std::size_t>(n) * (n / 2 + 1))
    {
        input = fftwf_alloc_complex(cells);
        pristine = fftwf_alloc_complex(cells);
        output = fftwf_alloc_real(static_cast<std::size_t>(n) * n);
        plan = fftwf_plan_dft_c2r_2d(n, n, input, output, FFTW_MEASURE);
        for (std::size_t i = 0; i < cells; ++i) {
            pristine[i][0] = static_cast<float>(i % 17) - 8.0f;
            pristine[i][1] = static_cast<float>(i % 13) - 6.0f;
        }
    }
    ~Floor()
    {
        fftwf_destroy_plan(plan);
        fftwf_free(input);
        fftwf_free(pristine);
        fftwf_free(output);
    }
    // Seconds of one frame's transforms.
    double Frame()
    {
        double seconds = 0.0;
        for (int t = 0; t < transformsPerFrame; ++t) {
            std::memcpy(input, pristine, cells * sizeof(fftwf_complex));
            const Clock::time_point start = Clock::now();
            fftwf_execute(plan);
            benchmark::DoNotOptimize(output[0]);
            benchmark::ClobberMemory();
            seconds += SecondsSince(start);
        }
        return seconds;
    }

private:
    std::size_t cells;
    fftwf_complex* input;
    fftwf_complex* pristine;
    float* output;
    fftwf_plan plan;
};

void UpdateSimulation(benchmark::State& state)
{
    BenchEnvironment bench(static_cast<int>(state.range(0)));
    const auto model = Model(bench, state.range(1) != 0);
    if (!model) {
        state.SkipWithError("model did not initialise with five transforms");
        return;
    }
    double time = 1.0;
    for (auto _ : state) {
        time += 1.0 / 60.0;
        benchmark::DoNotOptimize(model->UpdateSimulation(time));
        benchmark::ClobberMemory();
    }
}

void FFTWFloor(benchmark::State& state)
{
    BenchEnvironment bench(static_cast<int>(state.range(0))); // the engines' wisdom cache
    Floor floor(static_cast<int>(state.range(0)));
    double seconds = 0.0;
    for (auto _ : state)
        seconds += floor.Frame();
    state.counters["floor_ms"] = 1e3 * seconds / static_cast<double>(state.iterations());
}

void SpectrumRegeneration(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    BenchEnvironment bench(n);
    RegeneratingModel model(bench.environment.get(), static_cast<int>(state.range(1)));
    if (!model.Initialize(0, 0, false)) {
        state.SkipWithError("model did not initialise");
        return;
    }
    float wind = 8.0f;
    for (auto _ : state) {
        wind = wind == 8.0f ? 9.0f : 8.0f;
        model.Regenerate(wind);
        benchmark::DoNotOptimize(model.GetH0()[0]);
    }
}

// All three in one loop, in turn, so that the load of a shared machine falls on each alike; the
// counters give each one's mean time per frame and the steps' ratios to the floor.
void FrameAgainstFloor(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    BenchEnvironment bench(n);
    const auto single = Model(bench, false);
    const auto twice = Model(bench, true);
    if (!single || !twice) {
        state.SkipWithError("models did not initialise with five transforms");
        return;
    }
    Floor floor(n);
    double singleSeconds = 0.0;
    double doubleSeconds = 0.0;
    double floorSeconds = 0.0;
    double time = 1.0;
    for (auto _ : state) {
        time += 1.0 / 60.0;
        Clock::time_point start = Clock::now();
        benchmark::DoNotOptimize(single->UpdateSimulation(time));
        benchmark::ClobberMemory();
        singleSeconds += SecondsSince(start);
        start = Clock::now();
        benchmark::DoNotOptimize(twice->UpdateSimulation(time));
        benchmark::ClobberMemory();
        doubleSeconds += SecondsSince(start);
        floorSeconds += floor.Frame();
    }
    const double frames = static_cast<double>(state.iterations());
    state.counters["single_ms"] = 1e3 * singleSeconds / frames;
    state.counters["double_ms"] = 1e3 * doubleSeconds / frames;
    state.counters["floor_ms"] = 1e3 * floorSeconds / frames;
    state.counters["single_ratio"] = singleSeconds / floorSeconds;
    state.counters["double_ratio"] = doubleSeconds / floorSeconds;
}

} // namespace

BENCHMARK(FrameAgainstFloor)->Arg(128)->Arg(256)->Arg(512)->Unit(benchmark::kMillisecond);
BENCHMARK(UpdateSimulation)
    ->ArgsProduct({{128, 256, 512}, {0, 1}})
    ->ArgNames({"n", "double"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(FFTWFloor)->Arg(128)->Arg(256)->Arg(512)->Unit(benchmark::kMillisecond);
BENCHMARK(SpectrumRegeneration)
    ->Args({128, 1})
    ->Args({256, 2})
    ->Args({512, 2})
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
