#include "OceanScene.h"

#include "grid/ProjectedGrid.h"
#include "waves/GerstnerWaterModel.h"
#include "core/DefaultRandomNumberGenerator.h"
#include <Maris/RandomNumberGenerator.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

// Hands out scripted numbers.
class ScriptedRandomNumbers : public Maris::RandomNumberGenerator
{
public:
    explicit ScriptedRandomNumbers(std::vector<double> values) : script(std::move(values)) {}
    double GetRandomNumber(double, double) override { return script[next++ % script.size()]; }
    std::int32_t GetRandomInt(std::int32_t min, std::int32_t) override { return min; }

private:
    std::vector<double> script;
    std::size_t next = 0;
};

// A simulation-only sea on the configuration lines, its waves drawn from the script given.
struct GerstnerSea
{
    explicit GerstnerSea(const std::string& configuration, std::vector<double> script = {100, 0},
                         Maris::CoordinateSystem system = Maris::FlatZUp)
        : scene(options(configuration, system)), random(std::move(script))
    {
        scene.environment().SetRandomNumberGenerator(&random);
        initialized = model.Initialize(7, false); // the plain model only keeps the program
        scene.environment().SetRandomNumberGenerator(nullptr);
    }
    static OceanScene::Options options(const std::string& configuration,
                                       Maris::CoordinateSystem system)
    {
        OceanScene::Options o = OceanScene::bareOptions(configuration + "\n");
        o.coordinateSystem = system;
        return o;
    }
    OceanScene scene;
    ScriptedRandomNumbers random;
    Maris::GerstnerWaterModel model{&scene.environment()};
    bool initialized = false;
};

} // namespace

TEST(GerstnerWaveSet, InvalidSettingsFailWithTheirMessages)
{
    const struct
    {
        const char* configuration;
        bool initializes;
        const char* message;
    } cases[] = {
        {"num-gerstner-waves = 0", false, "Invalid num-gerstner-waves specified."},
        {"gerstner-median-wavelength-meters = 0", false,
         "Invalid gerstner-median-wavelength-meters specified."},
        {"gerstner-wave-steepness = 1.5", true,
         "gerstner-waves-steepness should be between 0 and 1."},
        {"fft-choppiness = -1", true, "Negative fft-choppiness specified"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.configuration);
        GerstnerSea sea(c.configuration);
        EXPECT_EQ(sea.initialized, c.initializes);
        EXPECT_EQ(sea.scene.messages().texts(), std::vector<std::string>{c.message});
    }
    GerstnerSea sea("");
    EXPECT_FALSE(sea.model.Initialize(0u, false));
    EXPECT_EQ(sea.scene.messages().texts(),
              std::vector<std::string>{"Null shader passed into GerstnerWaterModel::Initialize"});
}

// Heights elsewhere are held against the drawn surface by the surface-height test.
TEST(GerstnerHeight, CalmWithoutWindAndFlatAtThePhaseOrigin)
{
    GerstnerSea sea("num-gerstner-waves = 2", {100.0, 0.0, 50.0, 10.0});
    ASSERT_TRUE(sea.initialized);
    const std::unique_ptr<Maris::ProjectedGrid> grid = sea.scene.grid(Maris::GerstnerWaves);
    sea.scene.setWind(0.0, 0.0);
    ASSERT_TRUE(sea.model.PrepareShader(1.0));
    EXPECT_EQ(sea.model.GetMaxAmplitude(), 0.0) << "no wind, no waves";
    sea.scene.setWind(9.0, 0.0);
    const Maris::GerstnerWave* waves = sea.model.GetWaves();
    // Deep water: the phase speed is sqrt(g k).
    EXPECT_NEAR(waves[0].phaseSpeed, std::sqrt(9.8 * 2.0 * M_PI / 100.0), 1e-3);

    // At time 0 and the origin every phase is 0.
    ASSERT_TRUE(sea.model.PrepareShader(0.0));
    Maris::Vector3 normal;
    EXPECT_EQ(sea.model.GetHeight(Maris::Vector3(0, 0, 0), grid.get(), normal), 0.0f);
}

TEST(GerstnerHeight, YUpWorldsReadTheHorizontalAxesThroughTheBasis)
{
    GerstnerSea sea("num-gerstner-waves = 1", {100.0, 30.0}, Maris::FlatYUp);
    ASSERT_TRUE(sea.initialized);
    const std::unique_ptr<Maris::ProjectedGrid> grid = sea.scene.grid(Maris::GerstnerWaves);
    sea.scene.setWind(9.0, 0.0);
    ASSERT_TRUE(sea.model.PrepareShader(0.0));

    // Local x is world x and local y is world -z in a y-up world; world y (up) is ignored.
    const Maris::GerstnerWave& w = sea.model.GetWaves()[0];
    const double dx = w.directionX * 20.0;
    const double dy = w.directionY * 20.0;
    Maris::Vector3 normal;
    const float a = sea.model.GetHeight(Maris::Vector3(dx, 500.0, -dy), grid.get(), normal);
    EXPECT_NEAR(a, w.amplitude * std::sin(w.frequency * 20.0f), 1e-4);
    EXPECT_GT(std::fabs(a), 0.1f);
    EXPECT_NEAR(sea.model.GetHeight(Maris::Vector3(dx, 0.0, -dy), grid.get(), normal), a, 1e-6);
    EXPECT_GT(std::fabs(sea.model.GetHeight(Maris::Vector3(dx, 0.0, dy), grid.get(), normal) - a),
              0.1);
}

TEST(DefaultRandomNumberGenerator, BoundsWithoutRoomAnswerTheLowerOneWithoutFailing)
{
    Maris::DefaultRandomNumberGenerator generator;
    EXPECT_EQ(generator.GetRandomNumber(2.5, 2.5), 2.5);
    EXPECT_EQ(generator.GetRandomInt(4, 4), 4);
    EXPECT_EQ(generator.GetRandomInt(9, 2), 9);
    // The width of the whole int range does not overflow into a fault.
    generator.GetRandomInt(INT32_MIN, INT32_MAX);
}
