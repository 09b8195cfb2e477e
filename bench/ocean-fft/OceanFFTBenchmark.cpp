// One simulation frame of the FFT water model (evolution, five transforms, assembly) on the
// built-in CPU engine, against the floor: the same five transforms done alone by FFTW with a
// measured plan. Spectrum regeneration, which runs only when wind or settings change, is
// measured on its own.
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

void UpdateSimulation(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    BenchEnvironment bench(n);
    Maris::FFTWaterModel model(bench.environment.get(), 2);
    if (!model.Initialize(0, 0, false) || model.GetTransformCount() != transformsPerFrame) {
        state.SkipWithError("model did not initialise with five transforms");
        return;
    }
    double time = 1.0;
    model.UpdateSimulation(time); // draws the spectrum once
    for (auto _ : state) {
        time += 1.0 / 60.0;
        benchmark::DoNotOptimize(model.UpdateSimulation(time));
        benchmark::ClobberMemory();
    }
    state.counters["cells"] = n * n;
}

// The floor: five measured FFTW transforms of n × n complex doubles, nothing else.
void FFTWFloor(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    BenchEnvironment bench(n); // the same wisdom cache as the engine uses
    const std::size_t cells = static_cast<std::size_t>(n) * n;
    fftw_complex* input = fftw_alloc_complex(cells);
    fftw_complex* output = fftw_alloc_complex(cells);
    fftw_plan plan = fftw_plan_dft_2d(n, n, input, output, FFTW_BACKWARD, FFTW_MEASURE);
    for (std::size_t i = 0; i < cells; ++i) {
        input[i][0] = static_cast<double>(i % 17) - 8.0;
        input[i][1] = static_cast<double>(i % 13) - 6.0;
    }
    for (auto _ : state) {
        for (int t = 0; t < transformsPerFrame; ++t)
            fftw_execute(plan);
        benchmark::DoNotOptimize(output[0][0]);
        benchmark::ClobberMemory();
    }
    fftw_destroy_plan(plan);
    fftw_free(input);
    fftw_free(output);
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

// Both in one loop, frame and floor in turn, so that the load of a shared machine falls on both
// alike; the counters give each one's mean time per frame and their ratio.
void FrameAgainstFloor(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    BenchEnvironment bench(n);
    Maris::FFTWaterModel model(bench.environment.get(), 2);
    if (!model.Initialize(0, 0, false) || model.GetTransformCount() != transformsPerFrame) {
        state.SkipWithError("model did not initialise with five transforms");
        return;
    }
    const std::size_t cells = static_cast<std::size_t>(n) * n;
    fftw_complex* input = fftw_alloc_complex(cells);
    fftw_complex* output = fftw_alloc_complex(cells);
    fftw_plan plan = fftw_plan_dft_2d(n, n, input, output, FFTW_BACKWARD, FFTW_MEASURE);
    for (std::size_t i = 0; i < cells; ++i) {
        input[i][0] = static_cast<double>(i % 17) - 8.0;
        input[i][1] = static_cast<double>(i % 13) - 6.0;
    }
    using Clock = std::chrono::steady_clock;
    double frameSeconds = 0.0;
    double floorSeconds = 0.0;
    double time = 1.0;
    model.UpdateSimulation(time);
    for (auto _ : state) {
        time += 1.0 / 60.0;
        const Clock::time_point start = Clock::now();
        benchmark::DoNotOptimize(model.UpdateSimulation(time));
        benchmark::ClobberMemory();
        const Clock::time_point middle = Clock::now();
        for (int t = 0; t < transformsPerFrame; ++t)
            fftw_execute(plan);
        benchmark::DoNotOptimize(output[0][0]);
        benchmark::ClobberMemory();
        const Clock::time_point end = Clock::now();
        frameSeconds += std::chrono::duration<double>(middle - start).count();
        floorSeconds += std::chrono::duration<double>(end - middle).count();
    }
    const double frames = static_cast<double>(state.iterations());
    state.counters["frame_ms"] = 1e3 * frameSeconds / frames;
    state.counters["floor_ms"] = 1e3 * floorSeconds / frames;
    state.counters["ratio"] = frameSeconds / floorSeconds;
    fftw_destroy_plan(plan);
    fftw_free(input);
    fftw_free(output);
}

} // namespace

BENCHMARK(FrameAgainstFloor)->Arg(128)->Arg(256)->Arg(512)->Unit(benchmark::kMillisecond);
BENCHMARK(UpdateSimulation)->Arg(128)->Arg(256)->Arg(512)->Unit(benchmark::kMillisecond);
BENCHMARK(FFTWFloor)->Arg(128)->Arg(256)->Arg(512)->Unit(benchmark::kMillisecond);
BENCHMARK(SpectrumRegeneration)
    ->Args({128, 1})
    ->Args({256, 2})
    ->Args({512, 2})
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
