#include "OceanScene.h"

#include "fft/FFT.h"
#include "waves/WaveSpectrum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

const double pi = 3.14159265358979323846;

double maxAbs(const std::vector<float>& values)
{
    double largest = 0.0;
    for (float v : values)
        largest = std::max(largest, static_cast<double>(std::fabs(v)));
    return largest;
}

std::vector<float> displacements(const Maris::FFTWaterModel& model)
{
    return copyBuffer(model.GetDisplacementBuffer(),
                      3u * model.GetDimensionX() * model.GetDimensionY());
}

std::vector<float> slopes(const Maris::FFTWaterModel& model)
{
    return copyBuffer(model.GetSlopeFoamBuffer(), 3u * model.GetDimensionX() * model.GetDimensionY());
}

} // namespace

TEST(FFTWaterModelSetup, TransformCountFollowsChoppinessAndExactNormals)
{
    struct Case
    {
        const char* configuration;
        unsigned count;
    };
    const Case cases[] = {{"fft-exact-normals = false\n", 3},
                          {"fft-exact-normals = true\n", 5},
                          {"fft-exact-normals = false\nfft-enable-choppiness = false\n", 1},
                          {"fft-enable-choppiness = false\n", 3}};
    for (const Case& c : cases) {
        OceanScene fixture(OceanScene::fftOptions(c.configuration, 128));
        ASSERT_TRUE(fixture.ready());
        auto model = fixture.fftModel(1);
        ASSERT_NE(model, nullptr) << c.configuration;
        EXPECT_EQ(model->GetTransformCount(), c.count) << c.configuration;
        ASSERT_NE(model->GetFFT(), nullptr);
        EXPECT_EQ(model->GetFFT()->GetTransformCount(), c.count);
    }
}

TEST(FFTWaterModelSpectrum, NoWindGivesAFlatSeaForEveryType)
{
    for (int type = 1; type <= 3; ++type) {
        OceanScene fixture(OceanScene::fftOptions("fft-exact-normals = false\n"));
        ASSERT_TRUE(fixture.ready());
        fixture.setWind(0.0, 0.3, type == 3 ? 50000.0 : 0.0);
        auto model = fixture.fftModel(type);
        ASSERT_NE(model, nullptr);
        ASSERT_TRUE(model->UpdateSimulation(3.0));
        EXPECT_EQ(maxAbs(displacements(*model)), 0.0) << "type " << type;
        EXPECT_EQ(maxAbs(slopes(*model)), 0.0) << "type " << type;
        // Positive control: wind raises a sea.
        fixture.setWind(10.0, 0.3, type == 3 ? 50000.0 : 0.0);
        ASSERT_TRUE(model->UpdateSimulation(4.0));
        EXPECT_GT(maxAbs(displacements(*model)), 0.01) << "type " << type;
    }
}

TEST(FFTWaterModelSpectrum, JONSWAPWithoutFetchIsPiersonMoskowitz)
{
    OceanScene fixture{OceanScene::fftOptions()};
    ASSERT_TRUE(fixture.ready());
    fixture.setWind(12.0, 0.7);
    auto jonswap = fixture.fftModel(3, 7);
    auto piersonMoskowitz = fixture.fftModel(2, 7);
    ASSERT_TRUE(jonswap && piersonMoskowitz);
    ASSERT_TRUE(jonswap->UpdateSimulation(1.0));
    ASSERT_TRUE(piersonMoskowitz->UpdateSimulation(1.0));
    EXPECT_EQ(jonswap->GetSpectrumType(), 3);
    EXPECT_EQ(jonswap->GetEffectiveSpectrumType(), 2);
    const int entries = 65 * 65;
    for (int e = 0; e < entries; ++e)
        ASSERT_EQ(jonswap->GetH0()[e], piersonMoskowitz->GetH0()[e]) << "entry " << e;
    EXPECT_EQ(displacements(*jonswap), displacements(*piersonMoskowitz));

    // With a fetch the peak-enhanced spectrum is used.
    fixture.setWind(12.0, 0.7, 100000.0);
    ASSERT_TRUE(jonswap->UpdateSimulation(2.0));
    EXPECT_EQ(jonswap->GetEffectiveSpectrumType(), 3);
    int differing = 0;
    for (int e = 0; e < entries; ++e)
        differing += jonswap->GetH0()[e] != piersonMoskowitz->GetH0()[e];
    EXPECT_GT(differing, entries / 2);
}

TEST(FFTWaterModelEvolution, SameTimeTwiceGivesZeroStepAndSameBuffers)
{
    OceanScene fixture(OceanScene::fftOptions("fft-exact-normals = false\n"));
    ASSERT_TRUE(fixture.ready());
    fixture.setWind(9.0, 0.2);
    auto model = fixture.fftModel(1);
    ASSERT_NE(model, nullptr);
    ASSERT_TRUE(model->UpdateSimulation(5.0));
    EXPECT_EQ(model->GetLastTimeStep(), 0.0) << "no step before the first time";
    ASSERT_TRUE(model->UpdateSimulation(5.25));
    EXPECT_DOUBLE_EQ(model->GetLastTimeStep(), 0.25);
    const std::vector<float> first = displacements(*model);
    const std::vector<float> firstSlopes = slopes(*model);
    ASSERT_TRUE(model->UpdateSimulation(5.25));
    EXPECT_EQ(model->GetLastTimeStep(), 0.0);
    EXPECT_EQ(displacements(*model), first);
    EXPECT_EQ(slopes(*model), firstSlopes);
}

TEST(FFTWaterModelEvolution, LoopPeriodRepeatsTheSea)
{
    OceanScene fixture{OceanScene::fftOptions()};
    ASSERT_TRUE(fixture.ready());
    fixture.setWind(10.0, 1.0);
    auto model = fixture.fftModel(1);
    ASSERT_NE(model, nullptr);
    const float period = 20.0f;
    model->SetLoopPeriod(period);
    ASSERT_TRUE(model->UpdateSimulation(3.5));
    const std::vector<float> atT = displacements(*model);
    const std::vector<float> slopesAtT = slopes(*model);
    ASSERT_TRUE(model->UpdateSimulation(3.5 + period));
    const std::vector<float> later = displacements(*model);
    const double scale = maxAbs(atT);
    ASSERT_GT(scale, 0.01);
    for (std::size_t i = 0; i < atT.size(); ++i)
        ASSERT_NEAR(later[i], atT[i], 1e-4 * scale) << "value " << i;
    const std::vector<float> laterSlopes = slopes(*model);
    for (std::size_t i = 0; i < slopesAtT.size(); ++i)
        ASSERT_NEAR(laterSlopes[i], slopesAtT[i], 1e-4 * maxAbs(slopesAtT)) << "slope " << i;
    // Every frequency is a whole multiple of 2π/T.
    for (int i = 0; i < 64 * 64; ++i) {
        const double cycles = model->GetKVectors()[i].omega * period / (2 * pi);
        ASSERT_NEAR(cycles, std::round(cycles), 1e-4);
    }

    // Without the period the same interval does not repeat.
    model->SetLoopPeriod(0.0f);
    ASSERT_TRUE(model->UpdateSimulation(3.5));
    const std::vector<float> free = displacements(*model);
    ASSERT_TRUE(model->UpdateSimulation(3.5 + period));
    double largestChange = 0.0;
    const std::vector<float> freeLater = displacements(*model);
    for (std::size_t i = 0; i < free.size(); ++i)
        largestChange = std::max(largestChange, static_cast<double>(std::fabs(freeLater[i] - free[i])));
    EXPECT_GT(largestChange, 0.1 * scale);
}

TEST(FFTWaterModelSpectrum, SwellsWithinHalfTheGridAreWrittenOthersIgnored)
{
    OceanScene fixture{OceanScene::fftOptions()};
    ASSERT_TRUE(fixture.ready());
    fixture.setWind(0.0, 0.0);
    // 1024 m over 4 cycles towards +x: column offset 4, row offset 0.
    Maris::Swell swell;
    swell.wavelength = 256.0f;
    swell.height = 8.0f;
    swell.direction = static_cast<float>(pi / 2);
    fixture.environment().AddSwell(swell);
    // 1024 / 8 = 128 cycles per patch: beyond half of the 64 columns.
    Maris::Swell tooShort;
    tooShort.wavelength = 8.0f;
    tooShort.height = 2.0f;
    tooShort.direction = static_cast<float>(pi / 2);
    fixture.environment().AddSwell(tooShort);
    auto model = fixture.fftModel(1);
    ASSERT_NE(model, nullptr);
    ASSERT_TRUE(model->UpdateSimulation(1.0));
    const float amplitude = std::sqrt(8.0f * 0.5f) / (2.0f * std::sqrt(3.14159265f));
    int nonZero = 0;
    for (int r = 0; r <= 64; ++r)
        for (int c = 0; c <= 64; ++c) {
            const Maris::Complex value = model->GetH0()[r * 65 + c];
            if (value == Maris::Complex(0.0f, 0.0f))
                continue;
            ++nonZero;
            EXPECT_EQ(r, 32);
            EXPECT_EQ(c, 36);
            EXPECT_FLOAT_EQ(value.real(), amplitude);
            EXPECT_FLOAT_EQ(value.imag(), amplitude);
        }
    EXPECT_EQ(nonZero, 1) << "only the long swell lands in the spectrum";
    EXPECT_GT(maxAbs(displacements(*model)), 0.0);
}

TEST(FFTWaterModelSpectrum, OmnidirectionalPhillipsIsSymmetricInK)
{
    OceanScene fixture{OceanScene::fftOptions()};
    ASSERT_TRUE(fixture.ready());
    auto model = fixture.fftModel(1);
    ASSERT_NE(model, nullptr);
    const float g = 9.81f;
    Maris::WaveSpectrum omni(1, 10.0f, 0.6f, 0.0f, g, true);
    Maris::WaveSpectrum directional(1, 10.0f, 0.6f, 0.0f, g, false);
    const Maris::FFTSpectrumEntry* table = model->GetSpectrumTable();
    int asymmetric = 0;
    for (int r = 1; r < 64; ++r)
        for (int c = 1; c < 64; ++c) {
            const Maris::FFTSpectrumEntry& k = table[r * 65 + c];
            const Maris::FFTSpectrumEntry& minusK = table[(64 - r) * 65 + (64 - c)];
            const Maris::FFTSpectrumEntry& mirrorX = table[r * 65 + (64 - c)];
            ASSERT_EQ(omni.Evaluate(k), omni.Evaluate(minusK)) << r << ", " << c;
            ASSERT_EQ(omni.Evaluate(k), omni.Evaluate(mirrorX)) << r << ", " << c;
            asymmetric += directional.Evaluate(k) != directional.Evaluate(minusK);
        }
    EXPECT_GT(asymmetric, 1000) << "the directional spectrum favours the wind";

    // The model takes the environment's flag: its amplitudes follow the omnidirectional spectrum.
    fixture.setWind(10.0, 0.6);
    fixture.environment().SetOmnidirectional(true);
    ASSERT_TRUE(model->UpdateSimulation(1.0));
    auto reference = fixture.fftModel(1);
    ASSERT_TRUE(reference->UpdateSimulation(1.0));
    for (int e = 0; e < 65 * 65; ++e)
        ASSERT_EQ(model->GetH0()[e], reference->GetH0()[e]);
}

TEST(FFTWaterModelSpectrum, SquareRootApproximationSwitch)
{
    OceanScene exact(OceanScene::fftOptions("fft-use-sqrt-approximation = false\n"));
    ASSERT_TRUE(exact.ready());
    exact.setWind(10.0, 0.0);
    auto exactModel = exact.fftModel(1, 5);
    ASSERT_TRUE(exactModel->UpdateSimulation(1.0));
    const std::vector<Maris::Complex> exactH0(exactModel->GetH0(), exactModel->GetH0() + 65 * 65);
    exactModel.reset();
    OceanScene approximate(OceanScene::fftOptions("fft-use-sqrt-approximation = true\n"));
    approximate.setWind(10.0, 0.0);
    auto approximateModel = approximate.fftModel(1, 5);
    ASSERT_TRUE(approximateModel->UpdateSimulation(1.0));
    int differing = 0;
    for (int e = 0; e < 65 * 65; ++e) {
        const Maris::Complex a = approximateModel->GetH0()[e];
        differing += a != exactH0[e];
        // The bit-halving root is within 6 % of the true one.
        ASSERT_NEAR(std::abs(a), std::abs(exactH0[e]), 0.061 * std::abs(exactH0[e]) + 1e-12);
    }
    EXPECT_GT(differing, 1000);
}
