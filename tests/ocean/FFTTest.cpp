#include "OceanScene.h"
#include "engine-library/TestDeviceRecord.h"

#include "core/Configuration.h"
#include "fft/FFTCPU.h"
#include "fft/FFTIPP.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>

namespace {

const double pi = 3.14159265358979323846;
const char* const cpuFallback =
    "Using FFTCPU, which really shouldn't happen. Did you move Maris's "
    "FFT DLL's out of your resources folder?";
// Without fft-force-cpu, so that engine libraries are looked for.
const char* const libraryConfiguration =
    "fft-measure-plans = false\n"
    "fft-grid-dimension-x = 128\nfft-grid-dimension-y = 128\n";

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

} // namespace

// Which engine the factory picks from the settings, the renderer and the libraries present.
TEST(FFTCreate, EngineFromSettingsRendererAndLibraries)
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
        SCOPED_TRACE(::testing::Message() << c.configuration << (c.library ? c.library : "none")
                                          << " renderer " << c.renderer);
        OceanScene setup(OceanScene::bareOptions(c.configuration, c.renderer, &device));
        ASSERT_TRUE(setup.ready());
        MessageCapture& messages = setup.messages();
        const std::string library =
            c.library ? setup.installEngineLibrary(MARIS_TEST_IPP_ENGINE, c.library) : "";
        messages.clear();
        std::unique_ptr<Maris::FFT> engine(Maris::FFT::Create(&setup.environment()));
        ASSERT_NE(engine, nullptr);
        EXPECT_EQ(dynamic_cast<Maris::FFTIPP*>(engine.get()) != nullptr, c.ipp);
        EXPECT_EQ(dynamic_cast<Maris::FFTCPU*>(engine.get()) != nullptr, !c.ipp);
        EXPECT_EQ(c.library && librarySymbol<void*>(library, "GetIFFTIPP"), c.loaded);
        ASSERT_TRUE(inOrder(messages.texts(), c.messages));
        EXPECT_EQ(messages.texts().back(), c.messages.back());
    }
}

TEST(FFTWaterModelEngines, NoEngineWithoutEnvironment)
{
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

// Same seed on the half spectrum and the CPU engine: swells are exactly Hermitian, a wind sea
// differs only through the Nyquist row and column, whose partners lie outside the grid.
TEST(FFTWaterModelEngines, HalfSpectrumEngineGivesTheSameSea)
{
    for (bool swells : {true, false}) {
        SCOPED_TRACE(swells ? "swells" : "wind sea");
        OceanScene sea(OceanScene::bareOptions(libraryConfiguration));
        ASSERT_TRUE(sea.ready());
        sea.installEngineLibrary(MARIS_TEST_IPP_ENGINE, "MarisIPP");
        if (swells)
            for (float direction : {1.5707964f, -0.7853982f, 2.5f})
                sea.environment().AddSwell(Maris::Swell{1024.0f / 7.0f, 3.0f, direction});
        else
            sea.setWind(9.0, 0.8);
        const auto ipp = sea.fftModel(2, 4);
        Maris::Configuration::SetConfigEntry("fft-force-cpu", "true");
        const auto cpu = sea.fftModel(2, 4);
        ASSERT_NE(dynamic_cast<Maris::FFTIPP*>(ipp->GetFFT()), nullptr);
        ASSERT_NE(dynamic_cast<Maris::FFTCPU*>(cpu->GetFFT()), nullptr);
        for (double t : {1.0, 4.5}) {
            ASSERT_TRUE(ipp->UpdateSimulation(t) && cpu->UpdateSimulation(t));
            double largest = 0.0, difference = 0.0;
            for (int i = 0; i < 3 * 128 * 128; ++i) {
                const double value = cpu->GetDisplacementBuffer()[i];
                largest = std::max(largest, std::fabs(value));
                difference =
                    std::max(difference, std::fabs(ipp->GetDisplacementBuffer()[i] - value));
            }
            EXPECT_GT(largest, 0.01);
            EXPECT_LT(difference / largest, swells ? 1e-4 : 0.02) << "time " << t;
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
    EXPECT_NE(dynamic_cast<Maris::FFTCPU*>(fallback.GetFFT()), nullptr);
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
    ASSERT_TRUE(model.GetFFT() && model.GetFFT()->RunsOnGPU())
        << ::testing::PrintToString(setup.messages().texts());
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
        std::vector<std::vector<Maris::Complex>> spectra(arrays,
                                                         std::vector<Maris::Complex>(cells));
        for (auto& spectrum : spectra)
            for (auto& value : spectrum)
                value = Maris::Complex(uniform(random), uniform(random));
        std::vector<std::vector<float>> together(arrays, std::vector<float>(cells));
        std::vector<float> alone(cells);
        const Maris::Complex* inputs[arrays];
        float* outputs[arrays];
        for (int a = 0; a < arrays; ++a) {
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
                    const double angle = 2 * pi *
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

// Plans are measured only where the wisdom can be kept in the cache and measuring is on.
TEST(FFTCPUPlanning, MeasuresOnlyWithAUsableCache)
{
    struct Case
    {
        const char* name;
        const char* written; // a file of text that no wisdom reader takes, at this cache path
        const char* configuration;
        bool measured;
    };
    const Case cases[] = {
        {"usable cache", nullptr, "", true},
        {"a file in place of the cache directory", "kelvoview", "", false},
        {"unreadable wisdom", "kelvoview/fftw-wisdom", "", false},
        {"measuring switched off", nullptr, "fft-measure-plans = false\n", false},
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
        const std::string wisdom = home.path() + "/kelvoview/fftw-wisdom";
        OceanScene setup(OceanScene::bareOptions(c.configuration));
        ASSERT_TRUE(setup.ready());
        Maris::FFTCPU engine;
        ASSERT_TRUE(engine.Setup(32, 32, 1, &setup.environment(), false));
        EXPECT_EQ(engine.IsPlanMeasured(), c.measured);
        EXPECT_EQ(std::string(Maris::FFTCPU::GetWisdomPath().c_str()), wisdom);
        EXPECT_TRUE(c.written || std::filesystem::exists(wisdom) == c.measured);
    }
    if (previous)
        setenv("XDG_CACHE_HOME", restore.c_str(), 1);
    else
        unsetenv("XDG_CACHE_HOME");
}
