#include "OceanScene.h"

#include "waves/WaveSpectrum.h"

#include <Maris/Ocean.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

const double pi = 3.14159265358979323846;

double largestDifference(const std::vector<float>& a, const std::vector<float>& b)
{
    double largest = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i)
        largest =
            std::max(largest, std::fabs(static_cast<double>(a[i]) - (b.empty() ? 0.0 : b[i])));
    return largest;
}

double maxAbs(const std::vector<float>& values)
{
    return largestDifference(values, {});
}

// Simulation-only seas on the CPU engine, a patch of 1024 m over n × n cells.
class FFTWaterModelTest : public ::testing::Test
{
protected:
    bool start(const std::string& configuration, int dimension = 64)
    {
        n = dimension;
        sea.reset(); // the scene in use first, as scenes set the library up globally
        sea.reset(new OceanScene(OceanScene::fftOptions(configuration, dimension)));
        return sea->ready();
    }
    // A swell along x of `cycles` whole wavelengths over the patch.
    void addSwell(double cycles, float height)
    {
        Maris::Swell swell;
        swell.wavelength = static_cast<float>(1024.0 / cycles);
        swell.height = height;
        swell.direction = static_cast<float>(pi / 2);
        sea->environment().AddSwell(swell);
    }
    std::vector<float> displacements(const Maris::FFTWaterModel& model) const
    {
        return copyBuffer(model.GetDisplacementBuffer(), 3u * n * n);
    }
    std::vector<float> slopes(const Maris::FFTWaterModel& model) const
    {
        return copyBuffer(model.GetSlopeFoamBuffer(), 3u * n * n);
    }
    std::vector<Maris::Complex> amplitudes(const Maris::FFTWaterModel& model) const
    {
        return std::vector<Maris::Complex>(model.GetH0(), model.GetH0() + (n + 1) * (n + 1));
    }

    std::unique_ptr<OceanScene> sea;
    int n = 64;
};

} // namespace

// The unnormalized inverse keeps the energy: Σ height² = Nx Ny Σ |H(k)|², where H is the part of
// h(k, t) that the real transform sees, (h(k) + conj(h(-k))) / 2 on the periodic grid. Away from
// the Nyquist row and column, h(k, t) is itself Hermitian.
TEST_F(FFTWaterModelTest, ParsevalHoldsForEverySpectrumSeedAndTime)
{
    for (unsigned seed : {1u, 2u})
        for (int type = 1; type <= 3; ++type) {
            ASSERT_TRUE(start("fft-exact-normals = false\n", 32));
            sea->setWind(11.0, 0.4, 80000.0);
            auto model = sea->fftModel(type, seed);
            ASSERT_NE(model, nullptr);
            for (double t : {0.5, 7.25, 130.0}) {
                SCOPED_TRACE(::testing::Message()
                             << "seed " << seed << " type " << type << " t " << t);
                ASSERT_TRUE(model->UpdateSimulation(t));
                const Maris::Complex* h = model->GetHeightSpectrum();
                double energy = 0.0, defect = 0.0, scale = 0.0;
                for (int r = 0; r < n; ++r)
                    for (int c = 0; c < n; ++c) {
                        const std::complex<double> value(h[r * n + c]);
                        const std::complex<double> mirror(h[((n - r) % n) * n + (n - c) % n]);
                        energy += std::norm((value + std::conj(mirror)) * 0.5);
                        scale += std::norm(value);
                        if (r > 0 && c > 0)
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

// A swell of 6 cycles over the patch towards +x is a single spectral line, at column offset 6
// (one of 128 cycles lies beyond the grid and is left out); its crests must move at the
// deep-water phase speed.
TEST_F(FFTWaterModelTest, SwellIsOneLineTravellingAtDeepWaterPhaseSpeed)
{
    ASSERT_TRUE(start("fft-enable-choppiness = false\nfft-exact-normals = false\n"));
    sea->setWind(0.0, 0.0);
    const int cycles = 6;
    addSwell(cycles, 8.0f);
    addSwell(128, 2.0f);
    auto model = sea->fftModel(1);
    ASSERT_TRUE(model && model->UpdateSimulation(1.0));
    const std::vector<Maris::Complex> h0 = amplitudes(*model);
    const float amplitude = std::sqrt(8.0f * 0.5f) / (2.0f * std::sqrt(static_cast<float>(pi)));
    for (std::size_t e = 0; e < h0.size(); ++e)
        if (e == 32 * 65 + 32 + cycles) {
            EXPECT_FLOAT_EQ(h0[e].real(), amplitude);
            EXPECT_FLOAT_EQ(h0[e].imag(), amplitude);
        } else {
            ASSERT_EQ(h0[e], Maris::Complex()) << "entry " << e;
        }
    // Phase of the line along row 0 at a given time.
    auto phaseAt = [&](double t) {
        EXPECT_TRUE(model->UpdateSimulation(t));
        double c = 0.0, s = 0.0;
        for (int j = 0; j < n; ++j) {
            const double h = model->GetDisplacementBuffer()[3 * j + 2];
            c += h * std::cos(2 * pi * cycles * j / n);
            s += h * std::sin(2 * pi * cycles * j / n);
        }
        return std::atan2(-s, c);
    };
    const double k = 2 * pi * cycles / 1024.0;
    const double dt = 0.5;
    const double speed = std::remainder(phaseAt(10.0 + dt) - phaseAt(10.0), 2 * pi) / dt / k;
    EXPECT_NEAR(speed, std::sqrt(9.81 / k), 1e-3 * std::sqrt(9.81 / k));
}

// On the grid points the query gives the simulated heights, tiled over the sea; with choppy waves
// it looks back by the displacement.
TEST_F(FFTWaterModelTest, GetHeightFollowsTheSimulatedSurface)
{
    ASSERT_TRUE(start("fft-enable-choppiness = false\nfft-exact-normals = false\n"));
    sea->setWind(10.0, 0.5);
    auto model = sea->fftModel(1);
    auto grid = sea->grid(1);
    ASSERT_TRUE(model && grid && model->UpdateSimulation(2.0));
    const double cell = 1024.0 / n;
    auto height = [&](int row, int column) {
        return model->GetDisplacementBuffer()[3 * ((row % n) * n + column % n) + 2];
    };
    auto query = [&](double column, double row, Maris::Vector3& normal) {
        return model->GetHeight(Maris::Vector3(column * cell, row * cell, 0.0), grid.get(),
                                normal);
    };
    Maris::Vector3 normal;
    for (int row : {0, 5, 63})
        for (int column : {0, 40, 63}) {
            EXPECT_NEAR(query(column, row, normal), height(row, column), 1e-4)
                << row << ", " << column;
            EXPECT_NEAR(query(column - 3 * n, row + n, normal), height(row, column), 1e-3);
            EXPECT_NEAR(normal.Length(), 1.0, 1e-9);
        }
    EXPECT_EQ(model->GetHeight(Maris::Vector3(0, 0, 0), nullptr, normal), 0.0f);

    // At a displaced surface point p0 + D(p0) the answer is near the height that came from p0.
    model.reset();
    grid.reset();
    ASSERT_TRUE(start("fft-exact-normals = false\nfft-choppiness = 1.0\n"));
    sea->setWind(12.0, 0.5);
    model = sea->fftModel(2);
    grid = sea->grid(2);
    ASSERT_TRUE(model && grid && model->UpdateSimulation(2.0));
    const float* d = model->GetDisplacementBuffer();
    double errorChoppy = 0.0, errorNaive = 0.0;
    for (int i = 0; i < n * n; i += 37) {
        const double answer = query(i % n + d[3 * i] / cell, i / n + d[3 * i + 1] / cell, normal);
        errorChoppy += std::fabs(answer - d[3 * i + 2]);
        errorNaive += std::fabs(query(i % n, i / n, normal) - answer);
    }
    ASSERT_GT(errorNaive, 0.0);
    EXPECT_LT(errorChoppy, 0.5 * errorNaive);
}

// A single choppy wave compresses the surface at its crests, where the Jacobian drops below 1 by
// about λ k h: foam follows the height, and spray leaves the cells whose foam passes the
// threshold.
TEST_F(FFTWaterModelTest, FoamOnTheCrestsAndSprayAboveTheThreshold)
{
    ASSERT_TRUE(
        start("fft-exact-normals = false\nfft-choppiness = 0.8\nfft-spray-threshold = 0.06\n"));
    sea->setWind(0.0, 0.0);
    const int cycles = 6;
    addSwell(cycles, 40.0f);
    auto model = sea->fftModel(1);
    ASSERT_TRUE(model && model->UpdateSimulation(3.0));
    const double k = 2 * pi * cycles / 1024.0;
    const float* d = model->GetDisplacementBuffer();
    const float* foam = model->GetSlopeFoamBuffer();
    double largestFoam = 0.0;
    for (int i = 0; i < n * n; ++i)
        largestFoam = std::max(largestFoam, std::fabs(static_cast<double>(foam[3 * i + 2])));
    ASSERT_GT(largestFoam, 0.1);
    const Maris::Vector<Maris::Vector3>& spray = model->GetSprayPositions();
    std::size_t sprays = 0;
    for (int i = 0; i < n * n; ++i) {
        ASSERT_NEAR(foam[3 * i + 2], 0.8 * k * d[3 * i + 2], 0.15 * largestFoam) << "cell " << i;
        if (!(foam[3 * i + 2] > 0.06f))
            continue;
        // Each spray position is its cell's displaced surface point, patch-local.
        ASSERT_LT(sprays, spray.size());
        const Maris::Vector3& p = spray[sprays++];
        EXPECT_NEAR(p.x, (i % n) * 1024.0 / n + d[3 * i], 1e-3);
        EXPECT_NEAR(p.y, (i / n) * 1024.0 / n + d[3 * i + 1], 1e-3);
        EXPECT_NEAR(p.z, d[3 * i + 2], 1e-6);
    }
    EXPECT_GT(sprays, 0u);
    EXPECT_EQ(sprays, spray.size());
}

TEST_F(FFTWaterModelTest, JONSWAPWithoutFetchIsPiersonMoskowitz)
{
    ASSERT_TRUE(start(""));
    sea->setWind(12.0, 0.7);
    auto jonswap = sea->fftModel(3, 7);
    auto piersonMoskowitz = sea->fftModel(2, 7);
    ASSERT_TRUE(jonswap && piersonMoskowitz);
    ASSERT_TRUE(jonswap->UpdateSimulation(1.0) && piersonMoskowitz->UpdateSimulation(1.0));
    EXPECT_EQ(amplitudes(*jonswap), amplitudes(*piersonMoskowitz));
    EXPECT_EQ(displacements(*jonswap), displacements(*piersonMoskowitz));
    // With a fetch the peak-enhanced spectrum is used.
    sea->setWind(12.0, 0.7, 100000.0);
    ASSERT_TRUE(jonswap->UpdateSimulation(2.0));
    const auto enhanced = amplitudes(*jonswap), plain = amplitudes(*piersonMoskowitz);
    std::size_t differing = 0;
    for (std::size_t e = 0; e < enhanced.size(); ++e)
        differing += enhanced[e] != plain[e];
    EXPECT_GT(differing, enhanced.size() / 2);
}

// Every frequency becomes a whole multiple of 2π/T, so the sea repeats after T, and only then.
TEST_F(FFTWaterModelTest, LoopPeriodRepeatsTheSea)
{
    ASSERT_TRUE(start(""));
    sea->setWind(10.0, 1.0);
    auto model = sea->fftModel(1);
    ASSERT_NE(model, nullptr);
    const float period = 20.0f;
    for (float loop : {period, 0.0f}) {
        model->SetLoopPeriod(loop);
        ASSERT_TRUE(model->UpdateSimulation(3.5));
        const std::vector<float> before = displacements(*model), slopesBefore = slopes(*model);
        ASSERT_TRUE(model->UpdateSimulation(3.5 + period));
        const double scale = maxAbs(before);
        ASSERT_GT(scale, 0.01);
        if (loop > 0) {
            EXPECT_LT(largestDifference(displacements(*model), before), 1e-4 * scale);
            EXPECT_LT(largestDifference(slopes(*model), slopesBefore),
                      1e-4 * maxAbs(slopesBefore));
        } else {
            EXPECT_GT(largestDifference(displacements(*model), before), 0.1 * scale)
                << "without the period the sea does not repeat";
        }
    }
}

// Without a preferred direction the spectrum is the same for waves mirrored across the wind.
TEST_F(FFTWaterModelTest, OmnidirectionalSpectrumIsMirrorSymmetric)
{
    ASSERT_TRUE(start(""));
    auto model = sea->fftModel(1);
    ASSERT_NE(model, nullptr);
    const Maris::FFTSpectrumEntry* table = model->GetSpectrumTable();
    Maris::WaveSpectrum omni(1, 10.0f, 0.6f, 0.0f, 9.81f, true);
    for (int r = 1; r < 64; ++r)
        for (int c = 1; c < 64; ++c)
            ASSERT_EQ(omni.Evaluate(table[r * 65 + c]), omni.Evaluate(table[r * 65 + 64 - c]))
                << r << ", " << c;
}

// Without a renderer the ocean steps a plain FFT model of each spectrum, flat without wind.
TEST_F(FFTWaterModelTest, SimulationOnlyOceanIsFlatWithoutWind)
{
    for (int type = 1; type <= 3; ++type) {
        SCOPED_TRACE(::testing::Message() << "type " << type);
        ASSERT_TRUE(start("fft-exact-normals = false\n"));
        const double fetch = type == 3 ? 50000.0 : 0.0; // else JONSWAP is Pierson-Moskowitz
        sea->setWind(0.0, 0.3, fetch);
        std::unique_ptr<Maris::Ocean> ocean(Maris::Ocean::Create(
            &sea->environment(), static_cast<Maris::WaterModelType>(type), false, false));
        ASSERT_NE(ocean, nullptr);
        auto* model = dynamic_cast<Maris::FFTWaterModel*>(ocean->GetGrid()->GetWaterModel());
        ASSERT_NE(model, nullptr);
        EXPECT_EQ(model->GetSpectrumType(), type);
        ocean->UpdateSimulation(3.0);
        EXPECT_EQ(maxAbs(displacements(*model)), 0.0);
        EXPECT_EQ(maxAbs(slopes(*model)), 0.0);
        sea->setWind(10.0, 0.3, fetch);
        ocean->UpdateSimulation(4.0);
        EXPECT_GT(maxAbs(displacements(*model)), 0.01);
    }
}
