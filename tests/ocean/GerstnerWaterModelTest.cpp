#include "OceanScene.h"

#include <Maris/Environment.h>
#include "waves/GerstnerWaterModel.h"
#include "grid/ProjectedGrid.h"
#include <Maris/RandomNumberGenerator.h>
#include <Maris/ResourceLoader.h>
#include <Maris/WindFetch.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

// Hands out scripted numbers and records the bounds it was asked for.
class ScriptedRandomNumbers : public Maris::RandomNumberGenerator
{
public:
    explicit ScriptedRandomNumbers(std::vector<double> values) : script(std::move(values)) {}
    double GetRandomNumber(double min, double max) override
    {
        requests.emplace_back(min, max);
        const double value = script[next % script.size()];
        ++next;
        return value;
    }
    std::int32_t GetRandomInt(std::int32_t min, std::int32_t) override { return min; }

    std::vector<std::pair<double, double>> requests;

private:
    std::vector<double> script;
    std::size_t next = 0;
};

// A simulation-only sea (nothing is drawn) on a configuration of the given lines.
OceanScene::Options seaOf(const std::string& configuration = "")
{
    OceanScene::Options o = OceanScene::bareOptions(configuration + "\n");
    o.captureMessages = true;
    return o;
}

// Any non-zero program handle serves: the plain model only remembers it.
const std::uint32_t someShader = 7;

} // namespace

TEST(GerstnerWaveSet, DrawsWavelengthAndDirectionAlternately)
{
    OceanScene sea(seaOf("gerstner-directional-variance-degrees = 40\nnum-gerstner-waves = 3"));
    ASSERT_TRUE(sea.ready());
    ScriptedRandomNumbers random({60.0, 5.0, 150.0, -20.0, 100.0, 0.0});
    sea.environment().SetRandomNumberGenerator(&random);
    Maris::GerstnerWaterModel model(&sea.environment());
    ASSERT_TRUE(model.Initialize(someShader, false));
    sea.environment().SetRandomNumberGenerator(nullptr);

    ASSERT_EQ(random.requests.size(), 6u);
    for (std::size_t i = 0; i < 6; i += 2) {
        EXPECT_EQ(random.requests[i], std::make_pair(50.0, 200.0));
        EXPECT_EQ(random.requests[i + 1], std::make_pair(-20.0, 20.0));
    }
    EXPECT_FLOAT_EQ(model.GetWaves()[0].wavelength, 60.0f);
    EXPECT_FLOAT_EQ(model.GetWaves()[1].wavelength, 150.0f);
    EXPECT_NEAR(model.GetWaves()[0].directionOffset, 5.0 * 0.0174532925, 1e-7);
    EXPECT_NEAR(model.GetWaves()[1].directionOffset, -20.0 * 0.0174532925, 1e-7);
    EXPECT_NEAR(model.GetMaxAmplitude(), 0.03 * (60.0 + 150.0 + 100.0), 1e-4);
}

TEST(GerstnerWaveSet, LengthsInMetresFollowTheWorldUnit)
{
    OceanScene sea{seaOf()};
    sea.environment().SetMetersPerUnit(2.0);
    ScriptedRandomNumbers random({80.0, 0.0});
    sea.environment().SetRandomNumberGenerator(&random);
    Maris::GerstnerWaterModel model(&sea.environment());
    ASSERT_TRUE(model.Initialize(someShader, false));
    sea.environment().SetRandomNumberGenerator(nullptr);
    EXPECT_DOUBLE_EQ(model.GetMedianWavelength(), 50.0);
    EXPECT_DOUBLE_EQ(model.GetMedianAmplitude(), 1.5);
    EXPECT_EQ(random.requests[0], std::make_pair(25.0, 100.0));
    // Gravity in world units: 9.8 / 2.
    EXPECT_NEAR(model.GetWaves()[0].phaseSpeed, std::sqrt(6.2831853 / 80.0 * 4.9), 1e-5);
}

TEST(GerstnerWaveSet, InvalidSettingsFailWithTheirMessages)
{
    {
        OceanScene sea(seaOf("num-gerstner-waves = 0"));
        Maris::GerstnerWaterModel model(&sea.environment());
        EXPECT_FALSE(model.Initialize(someShader, false));
        EXPECT_EQ(sea.messages().texts(),
                  std::vector<std::string>{"Invalid num-gerstner-waves specified."});
    }
    {
        OceanScene sea(seaOf("gerstner-median-wavelength-meters = 0"));
        Maris::GerstnerWaterModel model(&sea.environment());
        EXPECT_FALSE(model.Initialize(someShader, false));
        EXPECT_EQ(sea.messages().texts(),
                  std::vector<std::string>{"Invalid gerstner-median-wavelength-meters specified."});
    }
    {
        OceanScene sea(seaOf("gerstner-wave-steepness = 1.5"));
        Maris::GerstnerWaterModel model(&sea.environment());
        EXPECT_TRUE(model.Initialize(someShader, false));
        EXPECT_EQ(sea.messages().texts(),
                  std::vector<std::string>{"gerstner-waves-steepness should be between 0 and 1."});
        EXPECT_NEAR(model.GetWaves()[0].steepness, 1.5 / (0.18849556 * 4), 1e-3);
    }
    {
        OceanScene sea{seaOf()};
        Maris::GerstnerWaterModel model(&sea.environment());
        EXPECT_FALSE(model.Initialize(0u, false));
        EXPECT_EQ(sea.messages().texts(),
                  std::vector<std::string>{"Null shader passed into GerstnerWaterModel::Initialize"});
    }
    {
        OceanScene sea(seaOf("fft-choppiness = -1"));
        Maris::GerstnerWaterModel model(&sea.environment());
        EXPECT_EQ(sea.messages().texts(), std::vector<std::string>{"Negative fft-choppiness specified"});
        EXPECT_FLOAT_EQ(model.GetChoppiness(), -1.0f);
    }
}

TEST(GerstnerWind, AmplitudesAndDirectionsFollowTheWindEveryFrame)
{
    OceanScene sea{seaOf()};
    std::srand(99);
    Maris::GerstnerWaterModel model(&sea.environment());
    ASSERT_TRUE(model.Initialize(someShader, false));

    sea.setWind(0.0, 0.0);
    ASSERT_TRUE(model.PrepareShader(2.0));
    EXPECT_EQ(model.GetMaxAmplitude(), 0.0);
    for (int i = 0; i < model.GetWaveCount(); ++i) {
        const Maris::GerstnerWave& wave = model.GetWaves()[i];
        EXPECT_EQ(wave.amplitude, 0.0f);
        EXPECT_NEAR(wave.directionX, std::sin(wave.directionOffset), 1e-6);
        EXPECT_NEAR(wave.directionY, std::cos(wave.directionOffset), 1e-6);
    }

    sea.setWind(16.0, 1.0);
    double speed = 0.0;
    double theta = 0.0;
    double fetch = 0.0;
    sea.environment().GetWind(sea.environment().GetCameraPosition(), speed, theta, fetch);
    ASSERT_DOUBLE_EQ(speed, 16.0);
    ASSERT_TRUE(model.PrepareShader(3.0));
    double sum = 0.0;
    for (int i = 0; i < model.GetWaveCount(); ++i) {
        const Maris::GerstnerWave& wave = model.GetWaves()[i];
        EXPECT_NEAR(wave.amplitude, 0.0264 * wave.wavelength, 1e-4);
        EXPECT_NEAR(wave.directionX, std::sin(wave.directionOffset + theta), 1e-6);
        EXPECT_NEAR(wave.directionY, std::cos(wave.directionOffset + theta), 1e-6);
        sum += wave.amplitude;
    }
    EXPECT_NEAR(model.GetMaxAmplitude(), sum, 1e-4);
    EXPECT_DOUBLE_EQ(model.GetTime(), 3.0);
}

TEST(GerstnerHeight, IsTheSumOfTheWavesWithTheirNormal)
{
    OceanScene sea(seaOf("num-gerstner-waves = 2"));
    const std::unique_ptr<Maris::ProjectedGrid> grid = sea.grid(Maris::GerstnerWaves);
    ScriptedRandomNumbers random({100.0, 0.0, 50.0, 10.0});
    sea.environment().SetRandomNumberGenerator(&random);
    Maris::GerstnerWaterModel model(&sea.environment());
    ASSERT_TRUE(model.Initialize(someShader, false));
    sea.environment().SetRandomNumberGenerator(nullptr);
    sea.setWind(9.0, 0.0);

    // At time 0 and the origin every phase is 0: height 0, the normal leans against the slopes.
    ASSERT_TRUE(model.PrepareShader(0.0));
    Maris::Vector3 normal;
    EXPECT_EQ(model.GetHeight(Maris::Vector3(0, 0, 0), grid.get(), normal), 0.0f);
    double sx = 0.0;
    double sy = 0.0;
    for (int i = 0; i < 2; ++i) {
        const Maris::GerstnerWave& w = model.GetWaves()[i];
        sx += w.directionX * w.frequency * w.amplitude;
        sy += w.directionY * w.frequency * w.amplitude;
    }
    const Maris::Vector3 expected = Maris::Vector3(-sx, -sy, 1.0).Normalized();
    EXPECT_NEAR(normal.x, expected.x, 1e-6);
    EXPECT_NEAR(normal.y, expected.y, 1e-6);
    EXPECT_NEAR(normal.z, expected.z, 1e-6);

    // Elsewhere and later: the same sum, evaluated independently here.
    ASSERT_TRUE(model.PrepareShader(7.25));
    const Maris::Vector3 point(31.0, -12.5, 0.0);
    double height = 0.0;
    for (int i = 0; i < 2; ++i) {
        const Maris::GerstnerWave& w = model.GetWaves()[i];
        const double phase = w.frequency * (w.directionX * point.x + w.directionY * point.y) +
                             w.phaseSpeed * 7.25;
        height += w.amplitude * std::sin(phase);
    }
    EXPECT_NEAR(model.GetHeight(point, grid.get(), normal), height, 1e-4);
    EXPECT_NEAR(normal.Length(), 1.0, 1e-9);
    EXPECT_GT(std::fabs(height), 0.0);
}

TEST(GerstnerHeight, YUpWorldsReadTheHorizontalAxesThroughTheBasis)
{
    OceanScene::Options options = seaOf("num-gerstner-waves = 1");
    options.coordinateSystem = Maris::FlatYUp;
    OceanScene sea(options);
    ASSERT_TRUE(sea.ready()) << sea.failure();
    Maris::Environment& environment = sea.environment();
    const std::unique_ptr<Maris::ProjectedGrid> grid = sea.grid(Maris::GerstnerWaves);
    ScriptedRandomNumbers random({100.0, 30.0});
    environment.SetRandomNumberGenerator(&random);
    Maris::GerstnerWaterModel model(&environment);
    ASSERT_TRUE(model.Initialize(someShader, false));
    environment.SetRandomNumberGenerator(nullptr);
    Maris::WindFetch fetch;
    fetch.SetWind(9.0, 0.0);
    environment.AddWindFetch(fetch);
    ASSERT_TRUE(model.PrepareShader(0.0));

    // Local x is world x and local y is world -z in a y-up world; world y (up) is ignored.
    const Maris::GerstnerWave& w = model.GetWaves()[0];
    const double dx = w.directionX * 20.0;
    const double dy = w.directionY * 20.0;
    Maris::Vector3 normal;
    const float a = model.GetHeight(Maris::Vector3(dx, 500.0, -dy), grid.get(), normal);
    EXPECT_NEAR(a, w.amplitude * std::sin(w.frequency * 20.0f), 1e-4);
    EXPECT_GT(std::fabs(a), 0.1f);
    EXPECT_NEAR(model.GetHeight(Maris::Vector3(dx, 0.0, -dy), grid.get(), normal), a, 1e-6);
    EXPECT_GT(std::fabs(model.GetHeight(Maris::Vector3(dx, 0.0, dy), grid.get(), normal) - a), 0.1);
}
