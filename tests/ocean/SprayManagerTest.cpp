#include "OceanScene.h"

#include "core/Configuration.h"
#include "waves/GerstnerWaterModel.h"
#include "opengl/ParticleSystemOpenGL.h"
#include "grid/ProjectedGrid.h"
#include "opengl/SprayManagerOpenGL.h"
#include "core/SprayPositionSource.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Breaking points as a wave model would report them, in tile coordinates.
class FixedBreakers : public Maris::SprayPositionSource
{
public:
    const Maris::Vector<Maris::Vector3>& GetSprayPositions() override { return points; }
    Maris::Vector<Maris::Vector3> points;
};

class SprayManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(scene.ready()) << scene.failure();
        // Looking straight down from 500 over tiles of 100: all nine tiles are in view.
        scene.lookAt(Maris::Vector3(50.0, 50.0, 500.0), Maris::Vector3(50.0, 50.0, 0.0), 120.0);
        scene.environment().SimulateSeaState(4.0, 0.0);
        Maris::Configuration::SetConfigEntry("fft-grid-size-x", "100");
        Maris::Configuration::SetConfigEntry("fft-grid-size-y", "100");
        breakers.points.push_back(Maris::Vector3(10.0, 20.0, 0.0));
        breakers.points.push_back(Maris::Vector3(60.0, 70.0, 0.3));
    }

    Maris::ParticleSystemOpenGL& particles(Maris::SprayManager& spray)
    {
        return *dynamic_cast<Maris::ParticleSystemOpenGL*>(spray.GetParticleSystem());
    }

    OceanScene scene{OceanScene::shippedOptions()};
    Maris::ProjectedGrid grid{false};
    FixedBreakers breakers;
};

} // namespace

TEST_F(SprayManagerTest, InitializeNeedsAGridAndAnEnvironment)
{
    Maris::SprayManagerOpenGL spray(&scene.environment());
    EXPECT_FALSE(spray.Initialize(nullptr));
    ASSERT_TRUE(spray.Initialize(&grid)) << ::testing::PrintToString(scene.messages().texts());
    ASSERT_NE(spray.GetParticleSystem(), nullptr);
    EXPECT_FALSE(spray.IsSprayEnabled()) << "off unless configured";
    Maris::SprayManagerOpenGL orphan(nullptr);
    EXPECT_FALSE(orphan.Initialize(&grid));
}

TEST_F(SprayManagerTest, NothingIsThrownUnlessEnabledAndWavesBreak)
{
    Maris::SprayManagerOpenGL spray(&scene.environment());
    ASSERT_TRUE(spray.Initialize(&grid));
    spray.SetSprayPositionSource(&breakers);
    spray.Update(10.0, 0.0f, nullptr);
    EXPECT_TRUE(spray.GetEmittedPoints().empty()) << "fft-enable-spray is absent";
    EXPECT_EQ(spray.GetParticleSystem()->GetLastEmissionTime(), 0.0);

    // Gerstner water: the grid's model finds no breaking waves.
    Maris::Configuration::SetConfigEntry("fft-enable-spray", "true");
    Maris::ProjectedGrid gerstnerGrid(false);
    gerstnerGrid.SetWaterModel(new Maris::GerstnerWaterModel(&scene.environment()));
    Maris::SprayManagerOpenGL calm(&scene.environment());
    ASSERT_TRUE(calm.Initialize(&gerstnerGrid));
    calm.Update(10.0, 0.0f, nullptr);
    EXPECT_TRUE(calm.GetEmittedPoints().empty());
    EXPECT_EQ(calm.GetParticleSystem()->GetLastEmissionTime(), 0.0);
}

TEST_F(SprayManagerTest, EveryBreakingPointOfTheNineTilesEmitsWithSparsityOne)
{
    Maris::Configuration::SetConfigEntry("fft-enable-spray", "true");
    Maris::Configuration::SetConfigEntry("fft-spray-sparsity", "1");
    Maris::SprayManagerOpenGL spray(&scene.environment());
    ASSERT_TRUE(spray.Initialize(&grid));
    spray.SetSprayPositionSource(&breakers);
    spray.Update(10.0, 0.0f, nullptr);

    const Maris::Vector<Maris::Vector3>& points = spray.GetEmittedPoints();
    ASSERT_EQ(points.size(), 18u) << "2 points in each of 9 tiles";
    EXPECT_EQ(particles(spray).GetNextSlot(), 18u);
    EXPECT_EQ(spray.GetParticleSystem()->GetLastEmissionTime(), 10.0);
    int central = 0;
    for (const Maris::Vector3& p : points) {
        // Lowered by the origin depth, moved 0.5 ahead along the wave direction (-x for 0).
        const bool first = std::fabs(p.z - (0.0 - 0.8)) < 1e-5;
        const bool second = std::fabs(p.z - (0.3 - 0.8)) < 1e-5;
        EXPECT_TRUE(first || second) << p.z;
        const double tileX = std::fmod(p.x + 0.5 + 1000.0, 100.0);
        const double tileY = std::fmod(p.y + 1000.0, 100.0);
        EXPECT_NEAR(tileX, first ? 10.0 : 60.0, 1e-6);
        EXPECT_NEAR(tileY, first ? 20.0 : 70.0, 1e-6);
        if (p.x > 0.0 && p.x < 100.0 && p.y > 0.0 && p.y < 100.0)
            ++central;
    }
    EXPECT_EQ(central, 2);

    // A box keeps only what lies inside it.
    const double box[6] = {0.0, 0.0, -10.0, 100.0, 100.0, 10.0};
    spray.Update(11.0, 0.0f, box);
    EXPECT_EQ(spray.GetEmittedPoints().size(), 2u);
    EXPECT_EQ(particles(spray).GetNextSlot(), 20u);
}

TEST_F(SprayManagerTest, SparsityKeepsAboutOneInThatMany)
{
    Maris::Configuration::SetConfigEntry("fft-enable-spray", "true");
    Maris::SprayManagerOpenGL spray(&scene.environment());
    ASSERT_TRUE(spray.Initialize(&grid));
    breakers.points.clear();
    for (int i = 0; i < 100; ++i)
        breakers.points.push_back(Maris::Vector3(i * 0.9 + 1.0, 50.0, 0.0));
    spray.SetSprayPositionSource(&breakers);
    spray.Update(10.0, 0.0f, nullptr);
    const std::size_t kept = spray.GetEmittedPoints().size();
    EXPECT_GT(kept, 900u / 4 / 2);
    EXPECT_LT(kept, 900u / 4 * 2);
}

TEST_F(SprayManagerTest, CameraBeyondTheCullDistanceThrowsNoSpray)
{
    Maris::Configuration::SetConfigEntry("fft-enable-spray", "true");
    Maris::Configuration::SetConfigEntry("fft-spray-sparsity", "1");
    Maris::Configuration::SetConfigEntry("fft-spray-cull-distance", "400");
    Maris::SprayManagerOpenGL spray(&scene.environment());
    ASSERT_TRUE(spray.Initialize(&grid));
    spray.SetSprayPositionSource(&breakers);
    spray.Update(10.0, 0.0f, nullptr);
    EXPECT_TRUE(spray.GetEmittedPoints().empty()) << "500 above the sea";
    scene.lookAt(Maris::Vector3(50.0, 50.0, 300.0), Maris::Vector3(50.0, 50.0, 0.0), 120.0);
    spray.Update(11.0, 0.0f, nullptr);
    EXPECT_FALSE(spray.GetEmittedPoints().empty());
}
