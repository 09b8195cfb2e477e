#include "OceanScene.h"

#include "fft/FFT.h"
#include "fft/FFTIPP.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <dlfcn.h>
#include <memory>

namespace {

template <typename Function>
Function testEngineSymbol(const std::string& path, const char* name)
{
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    return handle ? reinterpret_cast<Function>(dlsym(handle, name)) : nullptr;
}

// Without fft-force-cpu, so that the engine library is found.
const char* const libraryConfiguration = "fft-measure-plans = false\n"
                                         "fft-grid-dimension-x = 128\nfft-grid-dimension-y = 128\n";

} // namespace

// Two models from the same seed, one on the stand-in half-spectrum library, one on the CPU engine.
class HalfAndFullSpectrum
{
public:
    HalfAndFullSpectrum()
        : withLibrary(OceanScene::bareOptions(libraryConfiguration)),
          withoutLibrary(OceanScene::bareOptions(std::string(libraryConfiguration) + "fft-force-cpu = true\n"))
    {
        withLibrary.installEngineLibrary(MARIS_TEST_IPP_ENGINE, "MarisIPP");
    }

    void forBoth(void (*configure)(Maris::Environment&))
    {
        configure(withLibrary.environment());
        configure(withoutLibrary.environment());
    }

    // The largest difference between the two seas, relative to the largest value.
    double relativeDifference(double time)
    {
        if (!half) {
            // The Gaussians are drawn in Initialize.
            half.reset(new Maris::FFTWaterModel(&withLibrary.environment(), 2));
            full.reset(new Maris::FFTWaterModel(&withoutLibrary.environment(), 2));
            std::srand(4);
            EXPECT_TRUE(half->Initialize(0, 0, false));
            std::srand(4);
            EXPECT_TRUE(full->Initialize(0, 0, false));
        }
        EXPECT_TRUE(half->UpdateSimulation(time));
        EXPECT_TRUE(full->UpdateSimulation(time));
        double largest = 0.0;
        double difference = 0.0;
        for (int i = 0; i < 3 * 128 * 128; ++i) {
            largest = std::max(largest, std::fabs(static_cast<double>(full->GetDisplacementBuffer()[i])));
            difference = std::max(difference, std::fabs(static_cast<double>(
                                                  half->GetDisplacementBuffer()[i] -
                                                  full->GetDisplacementBuffer()[i])));
        }
        EXPECT_GT(largest, 0.01);
        return difference / largest;
    }

    MessageCapture messages;
    OceanScene withLibrary;
    OceanScene withoutLibrary;
    std::unique_ptr<Maris::FFTWaterModel> half;
    std::unique_ptr<Maris::FFTWaterModel> full;
};

// Swells alone make h(k, t) exactly Hermitian, so the half spectrum carries all of it and the
// half-spectrum engine (only ny/2 + 1 columns evolved) gives the same sea.
TEST(FFTWaterModelEngines, HalfSpectrumEngineGivesTheSameSea)
{
    HalfAndFullSpectrum seas;
    ASSERT_TRUE(seas.withLibrary.ready() && seas.withoutLibrary.ready());
    seas.forBoth([](Maris::Environment& environment) {
        for (float direction : {1.5707964f, -0.7853982f, 2.5f}) {
            Maris::Swell swell;
            swell.wavelength = 1024.0f / 7.0f;
            swell.height = 3.0f;
            swell.direction = direction;
            environment.AddSwell(swell);
        }
    });
    const double difference = seas.relativeDifference(1.0);
    ASSERT_NE(seas.half, nullptr);
    EXPECT_STREQ(seas.half->GetFFTName(), "Intel Integrated Performance Primitives");
    EXPECT_EQ(seas.half->GetSpectrumWidth(), 65);
    EXPECT_EQ(seas.full->GetSpectrumWidth(), 128);
    EXPECT_LT(difference, 1e-4);
    EXPECT_LT(seas.relativeDifference(4.5), 1e-4);
}

// A wind sea differs only through the Nyquist row and column, whose coefficients are not
// Hermitian (their partners lie outside the grid) and which the half spectrum cannot carry.
TEST(FFTWaterModelEngines, HalfSpectrumWindSeaDiffersOnlyByItsNyquistLines)
{
    HalfAndFullSpectrum seas;
    ASSERT_TRUE(seas.withLibrary.ready() && seas.withoutLibrary.ready());
    seas.forBoth([](Maris::Environment& environment) {
        Maris::WindFetch wind;
        wind.SetWind(9.0, 0.8);
        environment.AddWindFetch(wind);
    });
    EXPECT_LT(seas.relativeDifference(1.0), 0.02);
}

TEST(FFTWaterModelEngines, FailedSetupFallsBackToIPPThenCPU)
{
    MessageCapture messages;
    OceanScene setup(OceanScene::bareOptions(libraryConfiguration));
    ASSERT_TRUE(setup.ready());
    const std::string library = setup.installEngineLibrary(MARIS_TEST_IPP_ENGINE, "MarisIPP");
    // Loading it once gives the test its switches.
    {
        Maris::FFTIPP probe;
        ASSERT_TRUE(probe.LoadDLL(&setup.loader()));
    }
    using Switch = void (*)(bool);
    const Switch failSetups = testEngineSymbol<Switch>(library, "TestEngineFailSetups");
    ASSERT_NE(failSetups, nullptr);
    failSetups(true);
    messages.clear();
    Maris::FFTWaterModel model(&setup.environment(), 1);
    ASSERT_TRUE(model.Initialize(0, 0, false));
    failSetups(false);
    EXPECT_STREQ(model.GetFFTName(), "CPU-based FFTW library");
    const std::vector<std::string> texts = messages.texts();
    const auto first = std::find(texts.begin(), texts.end(),
                                 "FFT::Setup failed; falling back to the IPP implementation.");
    ASSERT_NE(first, texts.end());
    EXPECT_NE(std::find(first, texts.end(), "IFFTIPP::Setup failed."), texts.end());
    EXPECT_EQ(texts.back(),
              "IPP setup also failed (did you move Maris's DLL out of the resources folder or are "
              "you using DLL's from a different version of Maris?) Falling back to the CPU FFT.");
    Maris::WindFetch wind;
    wind.SetWind(9.0, 0.8);
    setup.environment().AddWindFetch(wind);
    EXPECT_TRUE(model.UpdateSimulation(1.0));
}

TEST(FFTWaterModelEngines, NoEngineWithoutEnvironment)
{
    MessageCapture messages;
    Maris::FFTWaterModel model(nullptr, 1);
    EXPECT_FALSE(model.Initialize(0, 0, false));
    EXPECT_STREQ(model.GetFFTName(), "No FFT found");
    EXPECT_EQ(model.GetFFT(), nullptr);
    EXPECT_FALSE(model.PrepareShader(1.0));
    EXPECT_FALSE(model.UpdateSimulation(1.0));
    const std::vector<std::string> texts = messages.texts();
    ASSERT_GE(texts.size(), 2u);
    EXPECT_NE(std::find(texts.begin(), texts.end(),
                        "Null environment passed into the FFTWaterModel constructor."),
              texts.end());
    EXPECT_EQ(texts.back(), "Null environment received in FFT::Create");
}
