#include "OceanScene.h"
#include "TestSupport.h"

#include "fft/FFTCPU.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

const double pi = 3.14159265358979323846;

bool fileExists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && info.st_size > 0;
}

} // namespace

// The engine may share one complex transform between two arrays; each output must still be
// Re Σ H(k) e^{+i k x}, unnormalized, with the zero frequency at the middle of the rows and
// columns. Odd sizes cannot be re-centred, so there only the arrays alone and together are
// compared.
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

// Measured plans are kept as wisdom in the cache directory; where none can be kept or read, or
// measuring is switched off, the engine plans quickly.
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
        if (!c.written) {
            EXPECT_EQ(fileExists(wisdom), c.measured);
        }
    }
    if (previous)
        setenv("XDG_CACHE_HOME", restore.c_str(), 1);
    else
        unsetenv("XDG_CACHE_HOME");
}
