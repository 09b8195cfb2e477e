#include "OceanScene.h"

#include "fft/FFTCPU.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const double pi = 3.14159265358979323846;

} // namespace

// The unnormalized inverse keeps the energy: Σ height² = Nx Ny Σ |H(k)|², where H is the part of
// h(k, t) that the real transform sees, (h(k) + conj(h(-k))) / 2 on the periodic grid. Away from
// the Nyquist row and column, h(k, t) is itself Hermitian.
TEST(FFTWaterModelPhysics, ParsevalHoldsForSeveralTimesAndSeeds)
{
    for (unsigned seed : {1u, 2u, 3u}) {
        for (int type = 1; type <= 3; ++type) {
            OceanScene fixture(OceanScene::fftOptions("fft-exact-normals = false\n", 32));
            ASSERT_TRUE(fixture.ready());
            fixture.setWind(11.0, 0.4, 80000.0);
            auto model = fixture.fftModel(type, seed);
            ASSERT_NE(model, nullptr);
            for (double t : {0.5, 7.25, 130.0}) {
                ASSERT_TRUE(model->UpdateSimulation(t));
                const int n = 32;
                const Maris::Complex* h = model->GetHeightSpectrum();
                double energy = 0.0;
                double hermitianDefect = 0.0;
                double scale = 0.0;
                for (int r = 0; r < n; ++r)
                    for (int c = 0; c < n; ++c) {
                        const std::complex<double> value(h[r * n + c]);
                        const std::complex<double> mirror(h[((n - r) % n) * n + (n - c) % n]);
                        const std::complex<double> seen = (value + std::conj(mirror)) * 0.5;
                        energy += std::norm(seen);
                        scale += std::norm(value);
                        if (r > 0 && c > 0)
                            hermitianDefect += std::norm(value - std::conj(mirror));
                    }
                double squares = 0.0;
                const float* buffer = model->GetDisplacementBuffer();
                for (int i = 0; i < n * n; ++i)
                    squares += static_cast<double>(buffer[3 * i + 2]) * buffer[3 * i + 2];
                ASSERT_GT(squares, 0.0);
                EXPECT_NEAR(squares, n * n * energy, 1e-4 * squares)
                    << "seed " << seed << " type " << type << " time " << t;
                EXPECT_LT(hermitianDefect, 1e-10 * scale);
            }
        }
    }
}

namespace {

// Turns the CPU engine's Hermitian shortcut off, so that it symmetrizes every coefficient.
class SymmetrisingModel : public Maris::FFTWaterModel
{
public:
    using FFTWaterModel::FFTWaterModel;
    bool Initialize(std::uint32_t grid, std::uint32_t patch, bool flag) override
    {
        if (!FFTWaterModel::Initialize(grid, patch, flag))
            return false;
        auto* cpu = dynamic_cast<Maris::FFTCPU*>(GetFFT());
        if (!cpu || !cpu->GetHermitianOffNyquist())
            return false;
        cpu->SetHermitianOffNyquist(false);
        return true;
    }
};

} // namespace

// The evolution's symmetry is exact, so the engine's shortcut changes no bit of the sea.
TEST(FFTWaterModelPhysics, HermitianShortcutChangesNothing)
{
    OceanScene fixture(OceanScene::fftOptions("fft-exact-normals = true\n"));
    ASSERT_TRUE(fixture.ready());
    fixture.setWind(10.0, 0.3);
    auto shortcut = fixture.fftModel(2, 9);
    std::srand(9);
    SymmetrisingModel full(&fixture.environment(), 2);
    ASSERT_TRUE(shortcut && full.Initialize(0, 0, false));
    for (double t : {0.5, 33.0}) {
        ASSERT_TRUE(shortcut->UpdateSimulation(t));
        ASSERT_TRUE(full.UpdateSimulation(t));
        const int values = 3 * 64 * 64;
        EXPECT_EQ(copyBuffer(shortcut->GetDisplacementBuffer(), values),
                  copyBuffer(full.GetDisplacementBuffer(), values));
        EXPECT_EQ(copyBuffer(shortcut->GetSlopeFoamBuffer(), values),
                  copyBuffer(full.GetSlopeFoamBuffer(), values));
    }
}

// One swell alone is a single spectral line; its crests must move at the deep-water phase speed,
// and always the same way: an evolution turned backwards moves them at that speed too, back.
TEST(FFTWaterModelPhysics, SingleComponentTravelsAtDeepWaterPhaseSpeed)
{
    OceanScene fixture(OceanScene::fftOptions("fft-enable-choppiness = false\nfft-exact-normals = false\n"));
    ASSERT_TRUE(fixture.ready());
    fixture.setWind(0.0, 0.0);
    const int cycles = 6;
    Maris::Swell swell;
    swell.wavelength = 1024.0f / cycles;
    swell.height = 4.0f;
    swell.direction = static_cast<float>(pi / 2);
    fixture.environment().AddSwell(swell);
    auto model = fixture.fftModel(1);
    ASSERT_NE(model, nullptr);

    const int n = 64;
    // Phase of the line along row 0 at a given time.
    auto phaseAt = [&](double t) {
        EXPECT_TRUE(model->UpdateSimulation(t));
        double c = 0.0;
        double s = 0.0;
        for (int j = 0; j < n; ++j) {
            const double h = model->GetDisplacementBuffer()[3 * j + 2];
            c += h * std::cos(2 * pi * cycles * j / n);
            s += h * std::sin(2 * pi * cycles * j / n);
        }
        return std::atan2(-s, c);
    };
    const double k = 2 * pi * cycles / 1024.0;
    const double omega = std::sqrt(9.81 * k * std::tanh(k * 1000.0));
    const double dt = 0.5;
    double advance = phaseAt(10.0 + dt) - phaseAt(10.0);
    advance = std::remainder(advance, 2 * pi);
    const double speed = advance / dt / k;
    EXPECT_NEAR(speed, std::sqrt(9.81 / k), 1e-3 * std::sqrt(9.81 / k));
    EXPECT_NEAR(omega / k, std::sqrt(9.81 / k), 1e-6 * std::sqrt(9.81 / k)) << "deep water";
}

TEST(FFTWaterModelPhysics, GetHeightMatchesGridPointsAndInterpolates)
{
    OceanScene fixture(OceanScene::fftOptions("fft-enable-choppiness = false\nfft-exact-normals = false\n"));
    ASSERT_TRUE(fixture.ready());
    fixture.setWind(10.0, 0.5);
    auto model = fixture.fftModel(1);
    auto grid = fixture.grid(1);
    ASSERT_TRUE(model && grid);
    ASSERT_TRUE(model->UpdateSimulation(2.0));
    const int n = 64;
    const double cell = 1024.0 / n;
    const float* buffer = model->GetDisplacementBuffer();
    auto height = [&](int row, int column) {
        return buffer[3 * (((row % n + n) % n) * n + (column % n + n) % n) + 2];
    };
    Maris::Vector3 normal;
    for (int row : {0, 5, 31, 63})
        for (int column : {0, 9, 40, 63}) {
            const Maris::Vector3 point(column * cell, row * cell, 0.0);
            EXPECT_NEAR(model->GetHeight(point, grid.get(), normal), height(row, column), 1e-4)
                << row << ", " << column;
            // The patch tiles the sea.
            const Maris::Vector3 tiled(column * cell - 3 * 1024.0, row * cell + 1024.0, 0.0);
            EXPECT_NEAR(model->GetHeight(tiled, grid.get(), normal), height(row, column), 1e-3);
            EXPECT_NEAR(normal.Length(), 1.0, 1e-9);
        }
    // Inside a cell: linear on the lower-left triangle, and on the upper-right one.
    const int r = 12;
    const int c = 20;
    const Maris::Vector3 lower((c + 0.25) * cell, (r + 0.5) * cell, 0.0);
    EXPECT_NEAR(model->GetHeight(lower, grid.get(), normal),
                height(r, c) + 0.25 * (height(r, c + 1) - height(r, c)) +
                    0.5 * (height(r + 1, c) - height(r, c)),
                1e-4);
    const Maris::Vector3 upper((c + 0.75) * cell, (r + 0.5) * cell, 0.0);
    EXPECT_NEAR(model->GetHeight(upper, grid.get(), normal),
                height(r + 1, c + 1) + 0.25 * (height(r + 1, c) - height(r + 1, c + 1)) +
                    0.5 * (height(r, c + 1) - height(r + 1, c + 1)),
                1e-4);
    // The normal leans against the slope towards the next sample.
    model->GetHeight(Maris::Vector3(c * cell, r * cell, 0.0), grid.get(), normal);
    const double sx = (height(r, c + 1) - height(r, c)) / cell;
    const double sy = (height(r + 1, c) - height(r, c)) / cell;
    const double length = std::sqrt(sx * sx + sy * sy + 1.0);
    EXPECT_NEAR(normal.x, -sx / length, 1e-5);
    EXPECT_NEAR(normal.y, -sy / length, 1e-5);
    EXPECT_NEAR(normal.z, 1.0 / length, 1e-5);
    EXPECT_EQ(model->GetHeight(lower, nullptr, normal), 0.0f);
}

TEST(FFTWaterModelPhysics, GetHeightUndoesTheChoppyDisplacement)
{
    OceanScene fixture(OceanScene::fftOptions("fft-exact-normals = false\nfft-choppiness = 1.0\n"));
    ASSERT_TRUE(fixture.ready());
    fixture.setWind(12.0, 0.5);
    auto model = fixture.fftModel(2);
    auto grid = fixture.grid(2);
    ASSERT_TRUE(model && grid);
    ASSERT_TRUE(model->UpdateSimulation(2.0));
    const int n = 64;
    const double cell = 1024.0 / n;
    const float* buffer = model->GetDisplacementBuffer();
    // At a displaced surface point p0 + D(p0) the query looks back by the displacement there,
    // which lands near p0 where the surface point came from.
    double errorChoppy = 0.0;
    double errorNaive = 0.0;
    for (int i = 0; i < n * n; i += 37) {
        const int row = i / n;
        const int column = i % n;
        const double dx = buffer[3 * i];
        const double dy = buffer[3 * i + 1];
        const Maris::Vector3 displaced(column * cell + dx, row * cell + dy, 0.0);
        Maris::Vector3 normal;
        const double answer = model->GetHeight(displaced, grid.get(), normal);
        errorChoppy += std::fabs(answer - buffer[3 * i + 2]);
        errorNaive += std::fabs(model->GetHeight(Maris::Vector3(column * cell, row * cell, 0.0),
                                                 grid.get(), normal) - answer);
    }
    ASSERT_GT(errorNaive, 0.0);
    EXPECT_LT(errorChoppy, 0.5 * errorNaive);
}

// A single wave along x compresses the surface at its crests: there the Jacobian of the choppy
// mapping drops below 1 by about λ k h, so foam follows the height.
TEST(FFTWaterModelPhysics, FoamGathersOnTheCrestsOfAChoppyWave)
{
    OceanScene fixture(OceanScene::fftOptions("fft-exact-normals = false\nfft-choppiness = 0.8\n"));
    ASSERT_TRUE(fixture.ready());
    fixture.setWind(0.0, 0.0);
    const int cycles = 6;
    Maris::Swell swell;
    swell.wavelength = 1024.0f / cycles;
    swell.height = 40.0f;
    swell.direction = static_cast<float>(pi / 2);
    fixture.environment().AddSwell(swell);
    auto model = fixture.fftModel(1);
    ASSERT_NE(model, nullptr);
    ASSERT_TRUE(model->UpdateSimulation(3.0));
    const int n = 64;
    const double k = 2 * pi * cycles / 1024.0;
    const float* displacement = model->GetDisplacementBuffer();
    const float* slopeFoam = model->GetSlopeFoamBuffer();
    double largestHeight = 0.0;
    double largestFoam = 0.0;
    for (int i = 0; i < n * n; ++i) {
        largestHeight = std::max(largestHeight, std::fabs(static_cast<double>(displacement[3 * i + 2])));
        largestFoam = std::max(largestFoam, std::fabs(static_cast<double>(slopeFoam[3 * i + 2])));
    }
    ASSERT_GT(largestHeight, 0.1);
    EXPECT_NEAR(largestFoam, 0.8 * k * largestHeight, 0.1 * largestFoam);
    for (int i = 0; i < n * n; ++i) {
        const double height = displacement[3 * i + 2];
        const double foam = slopeFoam[3 * i + 2];
        ASSERT_NEAR(foam, 0.8 * k * height, 0.15 * largestFoam) << "cell " << i;
        // The same in every row: the wave runs along x only.
        ASSERT_NEAR(foam, slopeFoam[3 * (i % n) + 2], 1e-5);
    }
}

TEST(FFTWaterModelPhysics, SprayWhereTheFoamExceedsTheThreshold)
{
    OceanScene fixture(OceanScene::fftOptions("fft-exact-normals = false\nfft-choppiness = 1.5\n"
                                 "fft-spray-threshold = 0.3\n"));
    ASSERT_TRUE(fixture.ready());
    fixture.setWind(20.0, 0.0);
    auto model = fixture.fftModel(2);
    ASSERT_TRUE(model);
    ASSERT_TRUE(model->UpdateSimulation(4.0));
    const int n = 64;
    const float* slopeFoam = model->GetSlopeFoamBuffer();
    const float* displacement = model->GetDisplacementBuffer();
    int above = 0;
    for (int i = 0; i < n * n; ++i)
        above += slopeFoam[3 * i + 2] > 0.3f;
    ASSERT_GT(above, 0) << "a strong wind folds some crests";
    ASSERT_LT(above, n * n / 2);
    const Maris::Vector<Maris::Vector3>& spray = model->GetSprayPositions();
    EXPECT_EQ(static_cast<int>(spray.size()), above);
    // Each spray position is its cell's displaced surface point, patch-local.
    int checked = 0;
    for (int i = 0; i < n * n && checked < static_cast<int>(spray.size()); ++i) {
        if (!(slopeFoam[3 * i + 2] > 0.3f))
            continue;
        const Maris::Vector3& p = spray[checked++];
        EXPECT_NEAR(p.x, (i % n) * 1024.0 / n + displacement[3 * i], 1e-3);
        EXPECT_NEAR(p.y, (i / n) * 1024.0 / n + displacement[3 * i + 1], 1e-3);
        EXPECT_NEAR(p.z, displacement[3 * i + 2], 1e-6);
    }
}
