#include "OceanScene.h"
#include "MessageCapture.h"
#include "TemporaryDirectory.h"

#include "fft/FFTCPU.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

const double pi = 3.14159265358979323846;

// Runs one transform of the engine on a spectrum of width × height coefficients.
std::vector<float> transform(Maris::FFT& engine, const std::vector<Maris::Complex>& spectrum)
{
    std::vector<float> result(engine.GetWidth() * engine.GetHeight(), 12345.0f);
    const Maris::Complex* inputs[] = {spectrum.data()};
    float* outputs[] = {result.data()};
    EXPECT_TRUE(engine.InverseTransform2D(inputs, outputs, 1));
    return result;
}

// A process-local cache directory for FFTW's wisdom, restored afterwards.
class CacheDirectory
{
public:
    explicit CacheDirectory(const std::string& path)
    {
        const char* old = std::getenv("XDG_CACHE_HOME");
        hadOld = old != nullptr;
        if (old)
            previous = old;
        setenv("XDG_CACHE_HOME", path.c_str(), 1);
    }
    ~CacheDirectory()
    {
        if (hadOld)
            setenv("XDG_CACHE_HOME", previous.c_str(), 1);
        else
            unsetenv("XDG_CACHE_HOME");
    }

private:
    bool hadOld = false;
    std::string previous;
};

class FFTCPUTest : public ::testing::TestWithParam<std::pair<int, int>>
{
protected:
    MessageCapture messages;
};

} // namespace

TEST_P(FFTCPUTest, CentreImpulseGivesOnesAfterRecentring)
{
    const int width = GetParam().first;
    const int height = GetParam().second;
    Maris::FFTCPU engine;
    ASSERT_TRUE(engine.Setup(width, height, 1, nullptr, false));
    EXPECT_EQ(engine.GetWidth(), static_cast<std::uint32_t>(width));
    EXPECT_EQ(engine.GetHeight(), static_cast<std::uint32_t>(height));
    EXPECT_EQ(engine.GetTransformCount(), 1u);
    std::vector<Maris::Complex> spectrum(width * height);
    spectrum[(height / 2) * width + width / 2] = 1.0f;
    const std::vector<float> result = transform(engine, spectrum);
    for (int i = 0; i < width * height; ++i)
        ASSERT_FLOAT_EQ(result[i], 1.0f) << "cell " << i;
    EXPECT_TRUE(messages.texts().empty());
}

TEST_P(FFTCPUTest, BackwardDirectionUnnormalizedAndRowMajor)
{
    const int width = GetParam().first;
    const int height = GetParam().second;
    Maris::FFTCPU engine;
    ASSERT_TRUE(engine.Setup(width, height, 1, nullptr, false));
    // i at one column right of the centre and 2 at one row above: with the exponent +i the real
    // part is -sin(2 pi c / width) + 2 cos(2 pi r / height); no 1/N factor.
    std::vector<Maris::Complex> spectrum(width * height);
    spectrum[(height / 2) * width + width / 2 + 1] = Maris::Complex(0.0f, 1.0f);
    spectrum[(height / 2 + 1) * width + width / 2] = Maris::Complex(2.0f, 0.0f);
    const std::vector<float> result = transform(engine, spectrum);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c) {
            const double expected = -std::sin(2.0 * pi * c / width) + 2.0 * std::cos(2.0 * pi * r / height);
            ASSERT_NEAR(result[r * width + c], expected, 1e-5) << "row " << r << " column " << c;
        }
}

TEST_P(FFTCPUTest, SeveralArraysReuseTheBuffers)
{
    const int width = GetParam().first;
    const int height = GetParam().second;
    Maris::FFTCPU engine;
    ASSERT_TRUE(engine.Setup(width, height, 3, nullptr, false));
    std::vector<std::vector<Maris::Complex>> spectra(3, std::vector<Maris::Complex>(width * height));
    std::vector<std::vector<float>> results(3, std::vector<float>(width * height));
    for (int n = 0; n < 3; ++n)
        spectra[n][(height / 2) * width + width / 2] = static_cast<float>(n + 1);
    const Maris::Complex* inputs[] = {spectra[0].data(), spectra[1].data(), spectra[2].data()};
    float* outputs[] = {results[0].data(), results[1].data(), results[2].data()};
    ASSERT_TRUE(engine.InverseTransform2D(inputs, outputs, 3));
    for (int n = 0; n < 3; ++n)
        for (int i = 0; i < width * height; ++i)
            ASSERT_FLOAT_EQ(results[n][i], static_cast<float>(n + 1));
}

// The engine may share one complex transform between two arrays; each output must still be the
// real part of its own array's transform, for any spectrum, also on odd widths.
TEST(FFTCPUEngine, ArraysTransformedTogetherMatchEachAlone)
{
    for (const auto& size : {std::make_pair(16, 8), std::make_pair(5, 6), std::make_pair(7, 3)}) {
        const int width = size.first;
        const int height = size.second;
        const int cells = width * height;
        std::srand(11);
        std::vector<std::vector<Maris::Complex>> spectra(5, std::vector<Maris::Complex>(cells));
        for (auto& spectrum : spectra)
            for (auto& value : spectrum)
                value = Maris::Complex(std::rand() / static_cast<float>(RAND_MAX) - 0.5f,
                                       std::rand() / static_cast<float>(RAND_MAX) - 0.5f);
        Maris::FFTCPU together;
        ASSERT_TRUE(together.Setup(width, height, 5, nullptr, false));
        std::vector<std::vector<float>> results(5, std::vector<float>(cells));
        const Maris::Complex* inputs[5];
        float* outputs[5];
        for (int n = 0; n < 5; ++n) {
            inputs[n] = spectra[n].data();
            outputs[n] = results[n].data();
        }
        ASSERT_TRUE(together.InverseTransform2D(inputs, outputs, 5));
        Maris::FFTCPU alone;
        ASSERT_TRUE(alone.Setup(width, height, 1, nullptr, false));
        for (int n = 0; n < 5; ++n) {
            const std::vector<float> single = transform(alone, spectra[n]);
            for (int i = 0; i < cells; ++i)
                ASSERT_NEAR(results[n][i], single[i], 1e-5) << width << "x" << height;
            // On even sizes (the re-centring needs them), directly from the definition:
            // Re Σ H(k) e^{+i k x} with the zero frequency at the middle.
            if (width % 2 || height % 2)
                continue;
            for (int r = 0; r < height; ++r)
                for (int c = 0; c < width; ++c) {
                    double sum = 0.0;
                    for (int kr = 0; kr < height; ++kr)
                        for (int kc = 0; kc < width; ++kc) {
                            const double angle = 2 * pi * (double(kr - height / 2) * r / height +
                                                           double(kc - width / 2) * c / width);
                            const Maris::Complex h = spectra[n][kr * width + kc];
                            sum += h.real() * std::cos(angle) - h.imag() * std::sin(angle);
                        }
                    ASSERT_NEAR(single[r * width + c], sum, 1e-4) << width << "x" << height;
                    ASSERT_NEAR(results[n][r * width + c], sum, 1e-4)
                        << width << "x" << height << " array " << n;
                }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, FFTCPUTest,
                         ::testing::Values(std::make_pair(8, 8), std::make_pair(16, 4),
                                           std::make_pair(4, 32)));

TEST(FFTCPUPlanning, MeasuredPlanIsCachedAsWisdom)
{
    MessageCapture messages;
    TemporaryDirectory cache;
    CacheDirectory useCache(cache.path());
    const std::string wisdom = cache.path() + "/kelvoview/fftw-wisdom";
    EXPECT_EQ(std::string(Maris::FFTCPU::GetWisdomPath().c_str()), wisdom);
    {
        Maris::FFTCPU engine;
        ASSERT_TRUE(engine.Setup(32, 32, 1, nullptr, false));
        EXPECT_TRUE(engine.IsPlanMeasured());
    }
    struct stat info;
    ASSERT_EQ(stat(wisdom.c_str(), &info), 0);
    EXPECT_GT(info.st_size, 0);
    // A measured plan computes the same transform.
    Maris::FFTCPU engine;
    ASSERT_TRUE(engine.Setup(32, 32, 1, nullptr, false));
    std::vector<Maris::Complex> spectrum(32 * 32);
    spectrum[16 * 32 + 16] = 1.0f;
    for (float value : transform(engine, spectrum))
        ASSERT_FLOAT_EQ(value, 1.0f);
}

TEST(FFTCPUPlanning, QuickPlanningWithoutAUsableCache)
{
    MessageCapture messages;
    TemporaryDirectory scratch;
    // A plain file where the cache directory should be: nothing can be kept there.
    const std::string blocked = scratch.write("not-a-directory", "x");
    CacheDirectory useCache(blocked);
    Maris::FFTCPU engine;
    ASSERT_TRUE(engine.Setup(16, 16, 1, nullptr, false));
    EXPECT_FALSE(engine.IsPlanMeasured());
}

TEST(FFTCPUPlanning, QuickPlanningWhenTheCacheCannotBeRead)
{
    MessageCapture messages;
    TemporaryDirectory cache;
    CacheDirectory useCache(cache.path());
    mkdir((cache.path() + "/kelvoview").c_str(), 0755);
    cache.write("kelvoview/fftw-wisdom", "this is no wisdom\n");
    Maris::FFTCPU engine;
    ASSERT_TRUE(engine.Setup(16, 16, 1, nullptr, false));
    EXPECT_FALSE(engine.IsPlanMeasured());
}

TEST(FFTCPUPlanning, QuickPlanningWhenMeasuringIsSwitchedOff)
{
    MessageCapture messages;
    TemporaryDirectory cache;
    CacheDirectory useCache(cache.path());
    OceanScene setup(OceanScene::bareOptions("fft-measure-plans = false\n"));
    ASSERT_TRUE(setup.ready());
    Maris::FFTCPU engine;
    ASSERT_TRUE(engine.Setup(16, 16, 1, &setup.environment(), false));
    EXPECT_FALSE(engine.IsPlanMeasured());
    struct stat info;
    EXPECT_NE(stat((cache.path() + "/kelvoview/fftw-wisdom").c_str(), &info), 0);
}

namespace {

// Heights of a sine along u and a cosine along v, to check the base slope by differences.
class WaveEngine : public Maris::FFTCPU
{
public:
    float GetHeightAt(float u, float v) override
    {
        return static_cast<float>(std::sin(2.0 * pi * u) + 3.0 * std::cos(2.0 * pi * v));
    }
};

} // namespace

TEST(FFTBase, SlopeByWrappedCentralDifferences)
{
    MessageCapture messages;
    OceanScene setup(OceanScene::bareOptions("fft-grid-size-x = 512\nfft-grid-size-y = 256\n"));
    ASSERT_TRUE(setup.ready());
    WaveEngine engine;
    ASSERT_TRUE(engine.Setup(64, 32, 1, nullptr, false));
    float sx = -1.0f;
    float sy = -1.0f;
    engine.GetSlopeAt(0.0f, 0.0f, sx, sy, nullptr);
    EXPECT_EQ(sx, -1.0f) << "nothing is written without an environment";
    // At u = 0 the left neighbour wraps to 1 - 1/64.
    engine.GetSlopeAt(0.0f, 0.25f, sx, sy, &setup.environment());
    const double du = 1.0 / 64.0;
    const double dv = 1.0 / 32.0;
    EXPECT_NEAR(sx, (std::sin(2 * pi * du) - std::sin(2 * pi * (1 - du))) / (2.0 * 64 / 512.0), 1e-4);
    EXPECT_NEAR(sy, 3.0 * (std::cos(2 * pi * (0.25 + dv)) - std::cos(2 * pi * (0.25 - dv))) /
                        (2.0 * 32 / 256.0), 1e-4);
}
