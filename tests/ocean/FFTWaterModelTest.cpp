#include "OceanScene.h"

#include "opengl/FFTWaterModelOpenGL.h"
#include "opengl/ProjectedGridOpenGL.h"
#include "waves/WaveSpectrum.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

// Simulation-only seas on the CPU engine, a patch of 1024 m over n × n cells (64 unless said).
namespace {

const double pi = 3.14159265358979323846;

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
        Maris::Swell{static_cast<float>(1024.0 / cycles), height, static_cast<float>(pi / 2)});
}

} // namespace

// Σ height² = Nx Ny Σ |(h(k) + conj(h(-k))) / 2|²; off the Nyquist lines h(k, t) is Hermitian.
TEST(FFTWaterModel, ParsevalHoldsForEverySpectrumSeedAndTime)
{
    const int n = 32;
    for (unsigned seed : {1u, 2u})
        for (int type = 1; type <= 3; ++type) {
            OceanScene sea(OceanScene::fftOptions("fft-exact-normals = false\n", n));
            ASSERT_TRUE(sea.ready()) << sea.failure();
            sea.setWind(11.0, 0.4, 80000.0);
            auto model = sea.fftModel(type, seed);
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
            c += h * std::cos(2 * pi * cycles * j / 64);
            s += h * std::sin(2 * pi * cycles * j / 64);
        }
        return std::atan2(-s, c);
    };
    const double k = 2 * pi * cycles / 1024.0;
    const double dt = 0.5;
    const double speed = std::remainder(phaseAt(10.0 + dt) - phaseAt(10.0), 2 * pi) / dt / k;
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
    const double k = 2 * pi * cycles / 1024.0;
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
        const std::vector<float> before =
            copyBuffer(model->GetDisplacementBuffer(), 3 * 64 * 64);
        const std::vector<float> slopesBefore =
            copyBuffer(model->GetSlopeFoamBuffer(), 3 * 64 * 64);
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
    glBindTexture(GL_TEXTURE_2D, 0);
    double matrix[16] = {0.5, 0, 0, 0, 0, 0.5, 0, 0, 0, 0, 0.5, 0, 0, 0, 0, 0.5};
    setup.environment().SetHeightMap(heightMap, matrix);
    model.UpdateHeightMap();
    ASSERT_NE(model.GetHeightMap(), nullptr);
    EXPECT_EQ(model.GetHeightMapWidth(), 4);
    EXPECT_EQ(model.GetHeightMapHeight(), 2);
    EXPECT_EQ(copyBuffer(model.GetHeightMap(), 8), heights);
    glDeleteTextures(1, &heightMap);
}
