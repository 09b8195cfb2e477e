#include "OceanScene.h"
#include "MessageCapture.h"
#include "engine-library/TestDeviceRecord.h"

#include "fft/FFT.h"
#include "waves/FFTWaterModel.h"
#include "grid/ProjectedGrid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <dlfcn.h>

namespace {

template <typename Function>
Function deviceSymbol(const std::string& path, const char* name)
{
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    return handle ? reinterpret_cast<Function>(dlsym(handle, name)) : nullptr;
}

bool contains(const std::vector<std::string>& texts, const std::string& text)
{
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

} // namespace

// With a GPU engine library the model hands over the initial amplitudes and the frame's
// parameters, and answers height queries from the engine.
TEST(FFTWaterModelGPU, EngineLibraryRunsTheFrame)
{
    MessageCapture messages;
    int device = 0;
    OceanScene setup(OceanScene::bareOptions("fft-measure-plans = false\n"
                             "fft-grid-dimension-x = 32\nfft-grid-dimension-y = 32\n"
                             "fft-grid-size-x = 512\nfft-grid-size-y = 256\n"
                             "fft-enable-spray = true\nfft-spray-threshold = 0.7\n"
                             "fft-depth = 0.5\n",
                             Maris::Direct3D11, &device));
    ASSERT_TRUE(setup.ready());
    const std::string library = setup.installEngineLibrary(MARIS_TEST_DEVICE_ENGINE, "MarisComputeShader");
    Maris::WindFetch wind;
    wind.SetWind(8.0, 0.2);
    setup.environment().AddWindFetch(wind);

    Maris::FFTWaterModel model(&setup.environment(), 2);
    ASSERT_TRUE(model.Initialize(0, 0, true));
    ASSERT_STREQ(model.GetFFTName(), "DirectX11 Compute Shader")
        << ::testing::PrintToString(messages.texts());
    EXPECT_TRUE(contains(messages.texts(), "(INFO) Using FFTComputeShader."));
    EXPECT_TRUE(contains(messages.texts(), "(INFO) Compute Shader DLL loaded."));
    EXPECT_EQ(model.GetHeightSpectrum(), nullptr) << "no CPU work arrays for a GPU engine";
    EXPECT_EQ(model.GetSpectrumWidth(), 32);

    using RecordFunction = const void* (*)();
    const auto recordOf = deviceSymbol<RecordFunction>(library, "TestDeviceRecord");
    ASSERT_NE(recordOf, nullptr);
    const TestDeviceRecord& record = *static_cast<const TestDeviceRecord*>(recordOf());
    EXPECT_EQ(record.setupCalls, 1);
    EXPECT_EQ(record.width, 32u);
    EXPECT_EQ(record.height, 32u);
    EXPECT_EQ(record.count, 5u);
    EXPECT_FLOAT_EQ(record.settings.gridSizeX, 512.0f);
    EXPECT_FLOAT_EQ(record.settings.gridSizeY, 256.0f);
    EXPECT_FLOAT_EQ(record.settings.metersPerUnit, 1.0f);
    EXPECT_TRUE(record.settings.flag);
    EXPECT_TRUE(record.settings.sprayEnabled);
    EXPECT_FLOAT_EQ(record.settings.sprayThreshold, 0.7f);
    EXPECT_EQ(record.settings.graphicsInterface, Maris::FFTGraphicsDirect3D11);
    EXPECT_EQ(record.settings.device, &device);

    ASSERT_TRUE(model.UpdateSimulation(2.0));
    EXPECT_EQ(record.transformCalls, 1);
    EXPECT_EQ(record.time, 2.0);
    EXPECT_EQ(record.dt, 0.0);
    EXPECT_FLOAT_EQ(record.choppiness, 0.2f);
    EXPECT_FLOAT_EQ(record.depth, 1.0f) << "depth is handed on as at least 1";
    EXPECT_EQ(record.loopPeriod, 0.0f);
    EXPECT_TRUE(record.spectrumChanged);
    EXPECT_EQ(record.firstAmplitude[0], model.GetH0()[0].real());
    EXPECT_EQ(record.firstAmplitude[1], model.GetH0()[0].imag());
    ASSERT_TRUE(model.UpdateSimulation(2.5));
    EXPECT_EQ(record.transformCalls, 2);
    EXPECT_DOUBLE_EQ(record.dt, 0.5);
    EXPECT_FALSE(record.spectrumChanged) << "same wind, same spectrum";

    EXPECT_TRUE(model.PrepareShader(2.5));
    EXPECT_EQ(record.finishCalls, 1);

    // The engine's height u + 2v, read where its displacement (51.2, -12.8) came from.
    Maris::ProjectedGrid grid(false);
    ASSERT_TRUE(grid.Initialize(&setup.environment(), Maris::PiersonMoskowitzSpectrum, 64));
    Maris::Vector3 normal;
    const float height = model.GetHeight(Maris::Vector3(300.0 + 512.0, 100.0 - 256.0, 0.0), &grid,
                                         normal);
    EXPECT_NEAR(height, (300.0 - 51.2) / 512.0 + 2.0 * (100.0 + 12.8) / 256.0, 1e-5);
    // Slopes by the engine base's differences: (2/32) / (2 · 32 / 512) in x, (4/32) / (2 · 32 / 256) in y.
    const double length = std::sqrt(0.5 * 0.5 + 0.5 * 0.5 + 1.0);
    EXPECT_NEAR(normal.x, -0.5 / length, 1e-4);
    EXPECT_NEAR(normal.y, -0.5 / length, 1e-4);
    EXPECT_NEAR(normal.z, 1.0 / length, 1e-4);

    using SpraysFunction = const void* (*)();
    const auto spraysOf = deviceSymbol<SpraysFunction>(library, "TestDeviceSprays");
    ASSERT_NE(spraysOf, nullptr);
    EXPECT_EQ(static_cast<const void*>(&model.GetSprayPositions()), spraysOf());
}
