#include "OceanScene.h"
#include "engine-library/TestDeviceRecord.h"

#include "core/Configuration.h"
#include "fft/FFTCPU.h"
#include "fft/FFTCPUSingle.h"
#include "fft/FFTIPP.h"
#include "opengl/FFTWaterModelOpenGL.h"
#include "opengl/ProjectedGridOpenGL.h"
#include "waves/WaveSpectrum.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>

namespace {

const char* const cpuFallback =
    "Using FFTCPU, which really shouldn't happen. Did you move Maris's "
    "FFT DLL's out of your resources folder?";
// Without fft-force-cpu, so that engine libraries are looked for.
const char* const libraryConfiguration =
    "fft-measure-plans = false\nfft-grid-dimension-x = 128\nfft-grid-dimension-y = 128\n";

template <typename Function>
Function librarySymbol(const std::string& path, const char* name)
{
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    return handle ? reinterpret_cast<Function>(dlsym(handle, name)) : nullptr;
}

// Whether the expected messages came in this order, among others.
::testing::AssertionResult inOrder(const std::vector<std::string>& texts,
                                   const std::vector<std::string>& expected)
{
    auto at = texts.begin();
    for (const std::string& text : expected) {
        at = std::find(at, texts.end(), text);
        if (at == texts.end())
            return ::testing::AssertionFailure() << "no \"" << text << "\" in order in "
                                                 << ::testing::PrintToString(texts);
    }
    return ::testing::AssertionSuccess();
}

// The largest difference between the buffers, or the largest magnitude without a second one.
double largest(const float* a, const float* b = nullptr, int count = 3 * 64 * 64)
{
    double result = 0.0;
    for (int i = 0; i < count; ++i)
        result = std::max(result, std::fabs(static_cast<double>(a[i]) - (b ? b[i] : 0.0f)));
    return result;
}

std::vector<Maris::Complex> amplitudes(const Maris::FFTWaterModel& model)
{
    return std::vector<Maris::Complex>(model.GetH0(), model.GetH0() + 65 * 65);
}

// A swell along x of `cycles` whole wavelengths over the patch.
void addSwell(OceanScene& sea, double cycles, float height)
{
    sea.environment().AddSwell(
        Maris::Swell{static_cast<float>(1024.0 / cycles), height, static_cast<float>(M_PI / 2)});
}

} // namespace

// Which engine the factory picks from the settings, the renderer and the libraries present.
TEST(FFTCreate, EngineFromSettingsRendererAndLibrariesAndNoneWithoutEnvironment)
{
    struct Case
    {
        const char* configuration;
        Maris::Renderer renderer;
        const char* library; // the IPP stand-in installed under this name, if any
        bool loaded;
        bool ipp;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"fft-force-cpu = true\n", Maris::OpenGL2, "MarisIPP", false, false,
         {"(INFO) CPU-based FFT forced by fft-force-cpu setting."}},
        {"", Maris::OpenGL2, nullptr, false, false,
         {"(INFO) Failed to load the MarisIPP dll.", "The DLL path we attempted to load was:",
          cpuFallback}},
        {"", Maris::OpenGL2, "MarisComputeShader", false, false, {cpuFallback}},
        // The stand-in cannot tell a feature level, so the compute-shader engine is passed over.
        {"", Maris::Direct3D11, "MarisComputeShader", true, false,
         {"(INFO) Compatibility test for compute shader failed.", cpuFallback}},
        {"disable-ipp = true\n", Maris::OpenGL2, "MarisIPP", true, false,
         {"(INFO) FFTIPP explicitly disabled with disable-ipp setting.", cpuFallback}},
        {"", Maris::OpenGL2, "MarisIPP", true, true, {"(INFO) Using FFTIPP."}},
    };
    int device = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "row " << &c - cases);
        OceanScene setup(OceanScene::bareOptions(c.configuration, c.renderer, &device));
        ASSERT_TRUE(setup.ready());
        const std::string library =
            c.library ? setup.installEngineLibrary(MARIS_TEST_IPP_ENGINE, c.library) : "";
        setup.messages().clear();
        std::unique_ptr<Maris::FFT> engine(Maris::FFT::Create(&setup.environment()));
        ASSERT_NE(engine, nullptr);
        EXPECT_EQ(dynamic_cast<Maris::FFTIPP*>(engine.get()) != nullptr, c.ipp);
        EXPECT_EQ(c.library && librarySymbol<void*>(library, "GetIFFTIPP"), c.loaded);
        ASSERT_TRUE(inOrder(setup.messages().texts(), c.messages));
        EXPECT_EQ(setup.messages().texts().back(), c.messages.back());
    }

    // Without an environment there is no engine, and nothing runs.
    MessageCapture messages;
    Maris::FFTWaterModel model(nullptr, 1);
    EXPECT_FALSE(model.Initialize(0, 0, false));
    EXPECT_EQ(model.GetFFT(), nullptr);
    EXPECT_FALSE(model.PrepareShader(1.0));
    EXPECT_FALSE(model.UpdateSimulation(1.0));
    EXPECT_TRUE(
        inOrder(messages.texts(), {"Null environment passed into the FFTWaterModel constructor.",
                                   "Null environment received in FFT::Create"}));
}

// Same seed on the half spectrum and each CPU engine: swells are exactly Hermitian, a wind sea
// differs only through the Nyquist row and column, whose partners lie outside the grid. At 512²
// the single-precision step shares its work with a second thread.
TEST(FFTWaterModelEngines, HalfSpectrumEngineGivesTheSameSea)
{
    for (int n : {128, 512})
    for (bool swells : {true, false})
        for (const char* precision : {"false", "true"}) {
            SCOPED_TRACE(::testing::Message() << n << "², " << (swells ? "swells" : "wind sea")
                                              << ", double " << precision);
            const std::string dimensions = "fft-grid-dimension-x = " + std::to_string(n) +
                                           "\nfft-grid-dimension-y = " + std::to_string(n) + "\n";
            OceanScene sea(OceanScene::bareOptions(libraryConfiguration + dimensions));
            ASSERT_TRUE(sea.ready());
            sea.installEngineLibrary(MARIS_TEST_IPP_ENGINE, "MarisIPP");
            if (swells)
                for (float direction : {1.5707964f, -0.7853982f, 2.5f})
                    sea.environment().AddSwell(Maris::Swell{1024.0f / 7.0f, 3.0f, direction});
            else
                sea.setWind(9.0, 0.8);
            const auto ipp = sea.fftModel(2, 4);
            Maris::Configuration::SetConfigEntry("fft-force-cpu", "true");
            Maris::Configuration::SetConfigEntry("fft-cpu-double-precision", precision);
            const auto cpu = sea.fftModel(2, 4);
            const bool twice = precision[0] == 't';
            ASSERT_EQ(n, cpu->GetDimensionX());
            ASSERT_NE(dynamic_cast<Maris::FFTIPP*>(ipp->GetFFT()), nullptr);
            ASSERT_EQ(dynamic_cast<Maris::FFTCPU*>(cpu->GetFFT()) != nullptr, twice);
            ASSERT_EQ(dynamic_cast<Maris::FFTCPUSingle*>(cpu->GetFFT()) != nullptr, !twice);
            for (double t : {1.0, 4.5}) {
                ASSERT_TRUE(ipp->UpdateSimulation(t) && cpu->UpdateSimulation(t));
                const float* sea = cpu->GetDisplacementBuffer();
                const double scale = largest(sea, nullptr, 3 * n * n);
                EXPECT_GT(scale, 0.01);
                EXPECT_LT(largest(ipp->GetDisplacementBuffer(), sea, 3 * n * n) / scale,
                          swells ? 1e-4 : 0.02)
                    << "time " << t;
            }
        }
}

// A failed set-up falls back to IPP, then the CPU; a failed transform fails the step.
TEST(FFTWaterModelEngines, LibraryFaultsFallBackOrFailTheStep)
{
    OceanScene setup(OceanScene::bareOptions(libraryConfiguration));
    ASSERT_TRUE(setup.ready());
    MessageCapture& messages = setup.messages();
    const std::string library = setup.installEngineLibrary(MARIS_TEST_IPP_ENGINE, "MarisIPP");
    setup.setWind(9.0, 0.8);
    const auto fail = reinterpret_cast<void (*)(bool, bool)>(
        dlsym(dlopen(library.c_str(), RTLD_NOW), "TestEngineFail"));
    ASSERT_NE(fail, nullptr);

    fail(true, false);
    messages.clear();
    Maris::FFTWaterModel fallback(&setup.environment(), 1);
    ASSERT_TRUE(fallback.Initialize(0, 0, false));
    fail(false, false);
    EXPECT_NE(dynamic_cast<Maris::FFTCPUSingle*>(fallback.GetFFT()), nullptr);
    EXPECT_TRUE(inOrder(messages.texts(),
                        {"FFT::Setup failed; falling back to the IPP implementation.",
                         "IFFTIPP::Setup failed.",
                         "IPP setup also failed (did you move Maris's DLL out of the resources "
                         "folder or are you using DLL's from a different version of Maris?) "
                         "Falling back to the CPU FFT."}));
    EXPECT_TRUE(fallback.UpdateSimulation(1.0));

    Maris::FFTWaterModel model(&setup.environment(), 1);
    ASSERT_TRUE(model.Initialize(0, 0, false));
    ASSERT_NE(dynamic_cast<Maris::FFTIPP*>(model.GetFFT()), nullptr);
    fail(false, true);
    messages.clear();
    EXPECT_FALSE(model.UpdateSimulation(1.0));
    fail(false, false);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"IFFTIPP::InverseTransform2D failed."});
    EXPECT_TRUE(model.UpdateSimulation(2.0));
}

// A GPU engine gets the amplitudes and each step, and answers the height queries.
TEST(FFTWaterModelEngines, GPUEngineLibraryRunsTheFrame)
{
    int device = 0;
    OceanScene setup(
        OceanScene::bareOptions("fft-measure-plans = false\nfft-depth = 0.5\n"
                                "fft-grid-dimension-x = 32\nfft-grid-dimension-y = 32\n"
                                "fft-grid-size-x = 512\nfft-grid-size-y = 256\n"
                                "fft-enable-spray = true\n",
                                Maris::Direct3D11, &device));
    ASSERT_TRUE(setup.ready());
    const std::string library =
        setup.installEngineLibrary(MARIS_TEST_DEVICE_ENGINE, "MarisComputeShader");
    setup.setWind(8.0, 0.2);
    Maris::FFTWaterModel model(&setup.environment(), 2);
    ASSERT_TRUE(model.Initialize(0, 0, true));
    ASSERT_TRUE(model.GetFFT() && model.GetFFT()->RunsOnGPU());
    EXPECT_EQ(model.GetHeightSpectrum(), nullptr) << "no CPU work arrays for a GPU engine";
    const auto recordOf = librarySymbol<const void* (*)()>(library, "TestDeviceRecord");
    ASSERT_NE(recordOf, nullptr);
    const TestDeviceRecord& record = *static_cast<const TestDeviceRecord*>(recordOf());
    EXPECT_EQ(record.settings.device, &device);

    ASSERT_TRUE(model.UpdateSimulation(2.0));
    EXPECT_EQ(record.dt, 0.0);
    EXPECT_FLOAT_EQ(record.depth, 1.0f) << "depth is handed on as at least 1";
    EXPECT_TRUE(record.spectrumChanged);
    EXPECT_EQ(record.firstAmplitude, model.GetH0()[0]);
    ASSERT_TRUE(model.UpdateSimulation(2.5));
    EXPECT_DOUBLE_EQ(record.dt, 0.5);
    EXPECT_FALSE(record.spectrumChanged) << "same wind, same spectrum";
    EXPECT_TRUE(model.PrepareShader(2.5));
    EXPECT_EQ(record.finishCalls, 1);

    // The engine's height u + 2v where its displacement (51.2, -12.8) came from; slopes 0.5, 0.5.
    Maris::ProjectedGrid grid(false);
    ASSERT_TRUE(grid.Initialize(&setup.environment(), Maris::PiersonMoskowitzSpectrum, 64));
    Maris::Vector3 normal;
    EXPECT_NEAR(model.GetHeight(Maris::Vector3(300.0 + 512.0, 100.0 - 256.0, 0.0), &grid, normal),
                (300.0 - 51.2) / 512.0 + 2.0 * (100.0 + 12.8) / 256.0, 1e-5);
    EXPECT_NEAR((normal - Maris::Vector3(-0.5, -0.5, 1.0).Normalized()).Length(), 0.0, 1e-4);
    EXPECT_EQ(static_cast<const void*>(&model.GetSprayPositions()), record.sprays);
}

// Each output is Re Σ H(k) e^{+i k x}, zero frequency in the middle, whether arrays share a
// transform or not; odd sizes cannot be re-centred, so there only the two ways are compared.
TEST(FFTCPUEngine, TransformsMatchTheDefinitionAloneAndTogether)
{
    const int sizes[][2] = {{16, 8}, {8, 8}, {4, 32}, {5, 6}, {7, 3}};
    for (const auto& size : sizes) {
        const int width = size[0], height = size[1], cells = width * height, arrays = 5;
        SCOPED_TRACE(::testing::Message() << width << "x" << height);
        std::mt19937 random(11);
        std::uniform_real_distribution<float> uniform(-0.5f, 0.5f);
        std::vector<std::vector<Maris::Complex>> spectra(arrays);
        std::vector<std::vector<float>> together(arrays, std::vector<float>(cells));
        std::vector<float> alone(cells);
        const Maris::Complex* inputs[arrays];
        float* outputs[arrays];
        for (int a = 0; a < arrays; ++a) {
            for (int i = 0; i < cells; ++i)
                spectra[a].emplace_back(uniform(random), uniform(random));
            inputs[a] = spectra[a].data();
            outputs[a] = together[a].data();
        }
        Maris::FFTCPU all, one;
        ASSERT_TRUE(all.Setup(width, height, arrays, nullptr, false));
        ASSERT_TRUE(one.Setup(width, height, 1, nullptr, false));
        ASSERT_TRUE(all.InverseTransform2D(inputs, outputs, arrays));
        for (int a = 0; a < arrays; ++a) {
            float* single = alone.data();
            ASSERT_TRUE(one.InverseTransform2D(&inputs[a], &single, 1));
            for (int i = 0; i < cells; ++i) {
                ASSERT_NEAR(together[a][i], alone[i], 1e-5) << "array " << a;
                if (width % 2 || height % 2)
                    continue;
                double sum = 0.0;
                for (int k = 0; k < cells; ++k) {
                    const double angle = 2 * M_PI *
                                         ((k / width - height / 2) * (i / width) / double(height) +
                                          (k % width - width / 2) * (i % width) / double(width));
                    sum += spectra[a][k].real() * std::cos(angle) -
                           spectra[a][k].imag() * std::sin(angle);
                }
                ASSERT_NEAR(alone[i], sum, 1e-4) << "array " << a << " cell " << i;
            }
        }
    }
}

// Plans are measured only where the wisdom can be kept in the cache and measuring is on; each
// precision keeps a file of its own.
TEST(FFTCPUPlanning, MeasuresOnlyWithAUsableCache)
{
    struct Case
    {
        const char* name;
        const char* written; // a file of text that no wisdom reader takes, at this cache path
        const char* configuration;
        bool measured;
        const char* file; // the engine's wisdom: fftw-wisdom (double) or fftwf-wisdom (single)
    };
    const Case cases[] = {
        {"usable cache", nullptr, "", true, "fftw-wisdom"},
        {"a file in place of the cache directory", "kelvoview", "", false, "fftw-wisdom"},
        {"unreadable wisdom", "kelvoview/fftw-wisdom", "", false, "fftw-wisdom"},
        {"measuring switched off", nullptr, "fft-measure-plans = false\n", false, "fftw-wisdom"},
        {"single: usable cache", nullptr, "", true, "fftwf-wisdom"},
        {"single: double's wisdom unreadable", "kelvoview/fftw-wisdom", "", true, "fftwf-wisdom"},
        {"single: unreadable wisdom", "kelvoview/fftwf-wisdom", "", false, "fftwf-wisdom"},
    };
    const char* const previous = std::getenv("XDG_CACHE_HOME");
    const std::string restore = previous ? previous : "";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryDirectory home;
        if (c.written && std::strchr(c.written, '/'))
            mkdir((home.path() + "/kelvoview").c_str(), 0755);
        if (c.written)
            home.write(c.written, "this is no wisdom\n");
        setenv("XDG_CACHE_HOME", home.path().c_str(), 1);
        const std::string wisdom = home.path() + "/kelvoview/" + c.file;
        OceanScene setup(OceanScene::bareOptions(c.configuration));
        ASSERT_TRUE(setup.ready());
        Maris::FFTCPU engine;
        Maris::FFTCPUSingle single;
        std::vector<Maris::Complex> spectrum(32 * 17);
        std::vector<float> heights(32 * 32);
        Maris::Complex* input = spectrum.data();
        float* output = heights.data();
        const bool isSingle = std::strcmp(c.file, "fftwf-wisdom") == 0;
        ASSERT_TRUE(isSingle ? single.Setup(32, 32, 1, &setup.environment(), false) &&
                                   single.Prepare(&input, &output, 1)
                             : engine.Setup(32, 32, 1, &setup.environment(), false));
        EXPECT_EQ(isSingle ? single.IsPlanMeasured() : engine.IsPlanMeasured(), c.measured);
        EXPECT_EQ(std::string(Maris::FFTCPU::GetWisdomPath().c_str()),
                  home.path() + "/kelvoview/fftw-wisdom");
        EXPECT_TRUE(c.written || std::filesystem::exists(wisdom) == c.measured);
    }
    if (previous)
        setenv("XDG_CACHE_HOME", restore.c_str(), 1);
    else
        unsetenv("XDG_CACHE_HOME");
}

// Σ height² = Nx Ny Σ |(h(k) + conj(h(-k))) / 2|²; off the Nyquist lines h(k, t) is Hermitian.
// Both CPU engines; the columns a half spectrum leaves out are the conjugates of those it holds.
TEST(FFTWaterModel, ParsevalHoldsForEverySpectrumSeedAndTime)
{
    const int n = 32;
    for (const char* precision : {"", "fft-cpu-double-precision = true\n"})
        for (unsigned seed : {1u, 2u})
            for (int type = 1; type <= 3; ++type) {
                std::string settings = "fft-exact-normals = false\n";
                settings += precision;
                OceanScene sea(OceanScene::fftOptions(settings, n));
                ASSERT_TRUE(sea.ready()) << sea.failure();
                sea.setWind(11.0, 0.4, 80000.0);
                auto model = sea.fftModel(type, seed);
                ASSERT_NE(model, nullptr);
                const int width = model->GetSpectrumWidth();
                for (double t : {0.5, 7.25, 130.0}) {
                    SCOPED_TRACE(::testing::Message() << precision << "seed " << seed << " type "
                                                      << type << " t " << t);
                    ASSERT_TRUE(model->UpdateSimulation(t));
                    const Maris::Complex* h = model->GetHeightSpectrum();
                    auto at = [&](int r, int c) {
                        return c < width ? std::complex<double>(h[r * width + c])
                                         : std::conj(std::complex<double>(
                                               h[((n - r) % n) * width + n - c]));
                    };
                    double energy = 0.0, defect = 0.0, scale = 0.0;
                    for (int r = 0; r < n; ++r)
                        for (int c = 0; c < n; ++c) {
                            const std::complex<double> value = at(r, c);
                            const std::complex<double> mirror = at((n - r) % n, (n - c) % n);
                            energy += std::norm((value + std::conj(mirror)) * 0.5);
                            scale += std::norm(value);
                            // The Nyquist lines lie first (centred) or mid-grid (FFTW's order).
                            if (r % (n / 2) && c % (n / 2))
                                defect += std::norm(value - std::conj(mirror));
                        }
                    double squares = 0.0;
                    for (int i = 0; i < n * n; ++i)
                        squares += std::pow(model->GetDisplacementBuffer()[3 * i + 2], 2.0);
                    ASSERT_GT(squares, 0.0);
                    EXPECT_NEAR(squares, n * n * energy, 1e-4 * squares);
                    EXPECT_LT(defect, 1e-10 * scale);
                }
            }
}

// A swell is one spectral line (one beyond the grid is left out) moving at sqrt(g / k).
TEST(FFTWaterModel, SwellIsOneLineTravellingAtDeepWaterPhaseSpeed)
{
    OceanScene sea(
        OceanScene::fftOptions("fft-enable-choppiness = false\nfft-exact-normals = false\n"));
    ASSERT_TRUE(sea.ready()) << sea.failure();
    const int cycles = 6;
    addSwell(sea, cycles, 8.0f);
    addSwell(sea, 128, 2.0f);
    auto model = sea.fftModel(1);
    ASSERT_TRUE(model && model->UpdateSimulation(1.0));
    const std::vector<Maris::Complex> h0 = amplitudes(*model);
    for (std::size_t e = 0; e < h0.size(); ++e)
        ASSERT_EQ(h0[e] == Maris::Complex(), e != 32 * 65 + 32 + cycles) << "entry " << e;
    // Phase of the line along row 0 at a given time.
    auto phaseAt = [&](double t) {
        EXPECT_TRUE(model->UpdateSimulation(t));
        double c = 0.0, s = 0.0;
        for (int j = 0; j < 64; ++j) {
            const double h = model->GetDisplacementBuffer()[3 * j + 2];
            c += h * std::cos(2 * M_PI * cycles * j / 64);
            s += h * std::sin(2 * M_PI * cycles * j / 64);
        }
        return std::atan2(-s, c);
    };
    const double k = 2 * M_PI * cycles / 1024.0;
    const double speed = std::remainder(phaseAt(10.5) - phaseAt(10.0), 2 * M_PI) / 0.5 / k;
    EXPECT_NEAR(speed, std::sqrt(9.81 / k), 1e-3 * std::sqrt(9.81 / k));
}

// The query gives the simulated heights, tiled; with choppy waves it looks back by the push.
TEST(FFTWaterModel, GetHeightFollowsTheSimulatedSurface)
{
    const double cell = 1024.0 / 64;
    for (bool choppy : {false, true}) {
        OceanScene sea(OceanScene::fftOptions(
            choppy ? "fft-exact-normals = false\nfft-choppiness = 1.0\n"
                   : "fft-enable-choppiness = false\nfft-exact-normals = false\n"));
        ASSERT_TRUE(sea.ready()) << sea.failure();
        sea.setWind(choppy ? 12.0 : 10.0, 0.5);
        auto model = sea.fftModel(choppy ? 2 : 1);
        auto grid = sea.grid(choppy ? 2 : 1);
        ASSERT_TRUE(model && grid && model->UpdateSimulation(2.0));
        const float* d = model->GetDisplacementBuffer();
        Maris::Vector3 normal;
        auto query = [&](double column, double row) {
            return model->GetHeight(Maris::Vector3(column * cell, row * cell, 0.0), grid.get(),
                                    normal);
        };
        if (!choppy) {
            for (int row : {0, 5, 63})
                for (int column : {0, 40, 63}) {
                    const float height = d[3 * (row * 64 + column) + 2];
                    EXPECT_NEAR(query(column, row), height, 1e-4) << row << ", " << column;
                    EXPECT_NEAR(query(column - 3 * 64, row + 64), height, 1e-3);
                    EXPECT_NEAR(normal.Length(), 1.0, 1e-9);
                }
            EXPECT_EQ(model->GetHeight(Maris::Vector3(0, 0, 0), nullptr, normal), 0.0f);
            continue;
        }
        // At a displaced surface point p0 + D(p0) the answer is near the height that came from p0.
        double errorChoppy = 0.0, errorNaive = 0.0;
        for (int i = 0; i < 64 * 64; i += 37) {
            const double answer = query(i % 64 + d[3 * i] / cell, i / 64 + d[3 * i + 1] / cell);
            errorChoppy += std::fabs(answer - d[3 * i + 2]);
            errorNaive += std::fabs(query(i % 64, i / 64) - answer);
        }
        ASSERT_GT(errorNaive, 0.0);
        EXPECT_LT(errorChoppy, 0.5 * errorNaive);
    }
}

// Foam follows the crests (the Jacobian drops by λ k h); spray leaves where it passes a threshold.
TEST(FFTWaterModel, FoamOnTheCrestsAndSprayAboveTheThreshold)
{
    OceanScene sea(OceanScene::fftOptions(
        "fft-exact-normals = false\nfft-choppiness = 0.8\nfft-spray-threshold = 0.06\n"));
    ASSERT_TRUE(sea.ready()) << sea.failure();
    const int cycles = 6;
    addSwell(sea, cycles, 40.0f);
    auto model = sea.fftModel(1);
    ASSERT_TRUE(model && model->UpdateSimulation(3.0));
    const double k = 2 * M_PI * cycles / 1024.0;
    const float* d = model->GetDisplacementBuffer();
    const float* foam = model->GetSlopeFoamBuffer();
    const double largestFoam = largest(foam);
    ASSERT_GT(largestFoam, 0.1);
    const Maris::Vector<Maris::Vector3>& spray = model->GetSprayPositions();
    std::size_t sprays = 0;
    for (int i = 0; i < 64 * 64; ++i) {
        ASSERT_NEAR(foam[3 * i + 2], 0.8 * k * d[3 * i + 2], 0.15 * largestFoam) << "cell " << i;
        if (!(foam[3 * i + 2] > 0.06f))
            continue;
        // Each spray position is its cell's displaced surface point, patch-local.
        ASSERT_LT(sprays, spray.size());
        const Maris::Vector3& p = spray[sprays++];
        EXPECT_NEAR(p.x, (i % 64) * 1024.0 / 64 + d[3 * i], 1e-3);
        EXPECT_NEAR(p.y, (i / 64) * 1024.0 / 64 + d[3 * i + 1], 1e-3);
        EXPECT_NEAR(p.z, d[3 * i + 2], 1e-6);
    }
    EXPECT_GT(sprays, 0u);
    EXPECT_EQ(sprays, spray.size());
}

// JONSWAP without fetch is Pierson-Moskowitz; an omnidirectional spectrum is mirror symmetric.
TEST(FFTWaterModel, SpectraOfFetchAndDirection)
{
    OceanScene sea(OceanScene::fftOptions());
    ASSERT_TRUE(sea.ready()) << sea.failure();
    sea.setWind(12.0, 0.7);
    auto jonswap = sea.fftModel(3, 7);
    auto piersonMoskowitz = sea.fftModel(2, 7);
    ASSERT_TRUE(jonswap && piersonMoskowitz);
    ASSERT_TRUE(jonswap->UpdateSimulation(1.0) && piersonMoskowitz->UpdateSimulation(1.0));
    EXPECT_EQ(amplitudes(*jonswap), amplitudes(*piersonMoskowitz));
    EXPECT_EQ(largest(jonswap->GetDisplacementBuffer(), piersonMoskowitz->GetDisplacementBuffer()),
              0.0);
    sea.setWind(12.0, 0.7, 100000.0);
    ASSERT_TRUE(jonswap->UpdateSimulation(2.0));
    const auto enhanced = amplitudes(*jonswap), plain = amplitudes(*piersonMoskowitz);
    std::size_t differing = 0;
    for (std::size_t e = 0; e < enhanced.size(); ++e)
        differing += enhanced[e] != plain[e];
    EXPECT_GT(differing, enhanced.size() / 2);

    const Maris::FFTSpectrumEntry* table = piersonMoskowitz->GetSpectrumTable();
    Maris::WaveSpectrum omni(1, 10.0f, 0.6f, 0.0f, 9.81f, true);
    for (int r = 1; r < 64; ++r)
        for (int c = 1; c < 64; ++c)
            ASSERT_EQ(omni.Evaluate(table[r * 65 + c]), omni.Evaluate(table[r * 65 + 64 - c]))
                << r << ", " << c;
}

// Every frequency becomes a whole multiple of 2π/T, so the sea repeats after T, and only then.
TEST(FFTWaterModel, LoopPeriodRepeatsTheSea)
{
    OceanScene sea(OceanScene::fftOptions());
    ASSERT_TRUE(sea.ready()) << sea.failure();
    sea.setWind(10.0, 1.0);
    auto model = sea.fftModel(1);
    ASSERT_NE(model, nullptr);
    const float period = 20.0f;
    for (float loop : {period, 0.0f}) {
        model->SetLoopPeriod(loop);
        ASSERT_TRUE(model->UpdateSimulation(3.5));
        const float *d = model->GetDisplacementBuffer(), *f = model->GetSlopeFoamBuffer();
        const std::vector<float> before(d, d + 3 * 64 * 64), slopesBefore(f, f + 3 * 64 * 64);
        ASSERT_TRUE(model->UpdateSimulation(3.5 + period));
        const double scale = largest(before.data());
        ASSERT_GT(scale, 0.01);
        const double moved = largest(model->GetDisplacementBuffer(), before.data());
        if (loop > 0) {
            EXPECT_LT(moved, 1e-4 * scale);
            EXPECT_LT(largest(model->GetSlopeFoamBuffer(), slopesBefore.data()),
                      1e-4 * largest(slopesBefore.data()));
        } else {
            EXPECT_GT(moved, 0.1 * scale) << "without the period the sea does not repeat";
        }
    }
}

// The buffers reach the textures, with the foam mipmaps; a given height map is read back.
TEST(FFTWaterModelOpenGLTest, TexturesHoldTheBuffersAndTheHeightMapIsReadBack)
{
    OceanScene::Options options = OceanScene::fftOptions(
        "fft-grid-dimension-x = 32\nfft-exact-normals = false\nfft-choppiness = 1.0\n");
    options.renderer = Maris::OpenGL2;
    options.openGL = true;
    options.bare = false;
    OceanScene setup(options);
    ASSERT_TRUE(setup.ready()) << setup.failure();
    setup.setWind(15.0, 0.3);
    Maris::ProjectedGridOpenGL grid(false);
    ASSERT_TRUE(grid.Initialize(&setup.environment(), Maris::PiersonMoskowitzSpectrum, 8));
    std::srand(3);
    Maris::FFTWaterModelOpenGL model(&setup.environment(), 2);
    ASSERT_TRUE(model.Initialize(grid.GetShader(), grid.GetPatchShader(), false));
    const int rows = 32, columns = 64, texels = rows * columns;
    std::vector<float> texture(3 * texels);
    auto read = [&](GLuint name, int level) {
        glBindTexture(GL_TEXTURE_2D, name);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, level, GL_RGB, GL_FLOAT, texture.data());
        return texture.data();
    };
    // The grid's preparation uploads, and so does the patch's.
    for (double time : {2.5, 3.0}) {
        ASSERT_TRUE(model.UpdateSimulation(time));
        ASSERT_TRUE(time < 3.0 ? model.PrepareShader(time) : model.PreparePatchShader(time));
        EXPECT_EQ(largest(read(model.GetDisplacementTexture(), 0), model.GetDisplacementBuffer(),
                          3 * texels), 0.0);
        EXPECT_EQ(largest(read(model.GetSlopeFoamTexture(), 0), model.GetSlopeFoamBuffer(),
                          3 * texels), 0.0);
    }
    // Level 1 of the foam averages 2 × 2 texels of the upload.
    const float* foam = model.GetSlopeFoamBuffer() + 2;
    const float* level1 = read(model.GetSlopeFoamTexture(), 1);
    for (int i : {0, 5 * columns / 2 + 7, texels / 4 - 1}) {
        const int at = 2 * (i / (columns / 2)) * columns + 2 * (i % (columns / 2));
        const float mean =
            0.25f * (foam[3 * at] + foam[3 * (at + 1)] + foam[3 * (at + columns)] +
                     foam[3 * (at + columns + 1)]);
        ASSERT_NE(mean, 0.0f) << "some foam, so that the comparisons can fail";
        EXPECT_NEAR(level1[3 * i + 2], mean, 1e-4 + 1e-3 * std::fabs(mean)) << "texel " << i;
    }

    model.UpdateHeightMap();
    EXPECT_EQ(model.GetHeightMap(), nullptr) << "no height map, nothing read";
    const std::vector<float> heights = {-5.0f, -2.5f, 0.0f, 1.0f, 2.0f, 3.5f, -8.0f, 12.0f};
    GLuint heightMap = 0;
    glGenTextures(1, &heightMap);
    glBindTexture(GL_TEXTURE_2D, heightMap);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_R32F, 4, 2, 0, GL_RED, GL_FLOAT, heights.data());
    double matrix[16] = {0.5, 0, 0, 0, 0, 0.5, 0, 0, 0, 0, 0.5, 0, 0, 0, 0, 0.5};
    setup.environment().SetHeightMap(heightMap, matrix);
    model.UpdateHeightMap();
    ASSERT_NE(model.GetHeightMap(), nullptr);
    EXPECT_EQ(model.GetHeightMapWidth(), 4);
    EXPECT_EQ(model.GetHeightMapHeight(), 2);
    EXPECT_EQ(std::vector<float>(model.GetHeightMap(), model.GetHeightMap() + 8), heights);
}
