#include "OceanScene.h"

#include "core/Configuration.h"
#include "grid/ProjectedGrid.h"
#include "opengl/WakeManagerOpenGL.h"
#include "spray/ParticleSystemManager.h"
#include "spray/ParticleSystem.h"
#include "wakes/WakeManager.h"
#include "waves/WaterModel.h"
#include <Maris/Ocean.h>
#include <Maris/WakeSource.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

// A lit Gerstner sea on a coarse grid (quick in software), the camera at eye looking at target.
class OceanWakes : public ::testing::Test
{
protected:
    void create(const Maris::Vector3& eye, const Maris::Vector3& target, const char* resolution,
                double ambient)
    {
        ASSERT_TRUE(scene.ready()) << scene.failure();
        const double light[3] = {0.3, 0.5, 0.8};
        const double color[3] = {1.0, 0.95, 0.9};
        const double ambientColor[3] = {ambient, ambient, ambient};
        scene.environment().SetDirectionalLight(light, color);
        scene.environment().SetAmbientLight(ambientColor);
        scene.environment().SimulateSeaState(2.0, 0.0);
        scene.lookAt(eye, target, 60.0);
        Maris::Configuration::SetConfigEntry("default-grid-resolution", resolution);
        ocean.reset(
            Maris::Ocean::Create(&scene.environment(), Maris::GerstnerWaves, false, false));
        ASSERT_NE(ocean, nullptr) << ::testing::PrintToString(scene.messages().texts());
        wakes = ocean->GetWakeManager();
        ASSERT_NE(wakes, nullptr);
    }

    // The frame drawn over a light blue clear color; the sum of the RGB channels per pixel.
    std::vector<int> draw(double time, bool particles, bool surface = true)
    {
        scene.clear(0.6f, 0.7f, 0.8f);
        ocean->Draw(time, true, surface, particles);
        const std::vector<std::uint8_t> rgba = scene.readPixels();
        std::vector<int> sums;
        for (std::size_t i = 0; i < rgba.size(); i += 4)
            sums.push_back(rgba[i] + rgba[i + 1] + rgba[i + 2]);
        return sums;
    }

    OceanScene scene{OceanScene::shippedOptions()};
    std::unique_ptr<Maris::Ocean> ocean;
    Maris::WakeManager* wakes = nullptr;
};

// The OpenGL wake manager alone, on the same scene.
using WakeManagerOpenGLTest = OceanWakes;

} // namespace

TEST_F(OceanWakes, SailingVesselLeavesVisibleRingsOnTheDrawnSea)
{
    ASSERT_NO_FATAL_FAILURE(create({0.0, -140.0, 120.0}, {0.0, 0.0, 0.0}, "192", 0.35));
    Maris::WakeSource boat(wakes, 40.0, 8.0);
    boat.SetPropellerWash(true);
    boat.SetSprayEnabled(false);
    double time = 0.0;
    for (; time <= 40.0; time += 0.25) {
        boat.Update(time, Maris::Vector3(-100.0 + 5.0 * time, 0.0, 0.0));
        wakes->Update(scene.environment().GetCameraPosition(), time);
    }
    ASSERT_FALSE(wakes->GetDrawList().empty());
    const std::vector<int> withWakes = draw(time, false);

    // The same sea at the same moment with every ring retired (limits of 0): the shader's wake
    // slots must be emptied, or the rings of the last frame would stay.
    Maris::WakeManager::SetMaximumWaveAmplitude(0.0);
    Maris::WakeManager::SetMinimumWaveAmplitude(0.0);
    const std::vector<int> calm = draw(time, false);
    Maris::WakeManager::SetMaximumWaveAmplitude(2.0);
    Maris::WakeManager::SetMinimumWaveAmplitude(0.01);
    EXPECT_TRUE(wakes->GetDrawList().empty());

    int changed = 0;
    for (std::size_t i = 0; i < calm.size(); ++i)
        changed += std::abs(withWakes[i] - calm[i]) > 12;
    EXPECT_GT(changed, 300) << "the wake shows";
    EXPECT_LT(changed, static_cast<int>(calm.size()) / 4) << "the sea away from it stays";
}

TEST_F(OceanWakes, BowSprayIsDrawnWithTheParticlesUntilItFallsBack)
{
    Maris::Configuration::SetConfigEntry("wake-spray-particles", "200");
    ASSERT_NO_FATAL_FAILURE(create({0.0, -60.0, 15.0}, {0.0, 0.0, 2.0}, "128", 0.8));
    // The vessel rides the waves: its height is the sea's at its bow when the burst is drawn.
    const double burst = 2.25;
    const double time = burst + 0.3;
    draw(time, false);
    Maris::Vector3 normal;
    const double sea =
        ocean->GetGrid()->GetWaterModel()->GetHeight(Maris::Vector3(), ocean->GetGrid(), normal);
    ASSERT_NE(sea, 0.0) << "the waves are up";
    Maris::WakeSource boat(wakes, 20.0, 5.0);
    // Spray at the bow every second: at 0.25, 1.25 and 2.25, the bow reaching the origin.
    for (double t = 0.0; t <= burst + 1e-9; t += 0.25) {
        boat.Update(t, Maris::Vector3(0.0, 10.0 + 6.0 * (burst - t), sea));
        wakes->Update(scene.environment().GetCameraPosition(), t);
    }
    const std::vector<int> without = draw(time, false);
    const std::vector<int> with = draw(time, true);
    EXPECT_EQ(draw(time + 5.0, true, false), draw(time + 5.0, false, false))
        << "spent bursts are not drawn";

    // A white burst at the bow, around the middle of the view.
    const int size = scene.width();
    int brighter = 0;
    double sumRow = 0.0;
    double sumColumn = 0.0;
    for (int row = 0; row < size; ++row)
        for (int column = 0; column < size; ++column) {
            const std::size_t i = static_cast<std::size_t>(row) * size + column;
            if (with[i] > without[i] + 12) {
                ++brighter;
                sumRow += row;
                sumColumn += column;
            }
        }
    ASSERT_GT(brighter, 100);
    EXPECT_LT(brighter, size * size / 10);
    EXPECT_NEAR(sumColumn / brighter, size / 2.0, 12.0);
    EXPECT_NEAR(sumRow / brighter, size / 2.0, 24.0);
    EXPECT_TRUE(scene.messages().texts().empty())
        << ::testing::PrintToString(scene.messages().texts());
}

TEST_F(WakeManagerOpenGLTest, SprayRequestsTakeTheSystemsInTurnAndTheEleventhReusesTheFirst)
{
    ASSERT_TRUE(scene.ready()) << scene.failure();
    Maris::ProjectedGrid grid(false);
    Maris::ParticleSystemManager particles;
    Maris::WakeManagerOpenGL manager(1.0, &particles);
    ASSERT_TRUE(manager.Initialize(&grid, Maris::Matrix3(), &scene.environment(), 0, 0))
        << ::testing::PrintToString(scene.messages().texts());
    const std::uint32_t count = manager.GetMaxSprays();
    ASSERT_EQ(particles.GetParticleSystems().size(), count) << "handed to the particle manager";
    for (std::uint32_t i = 0; i <= count; ++i) {
        Maris::WakeSprayRequest request;
        request.position = Maris::Vector3(i * 10.0, 0.0, 0.0);
        request.speed = 4.0;
        request.time = 101.0 + i;
        request.size = 2.0;
        request.positionVariance = 1.0;
        manager.AddSprayRequest(request);
    }
    manager.Update(Maris::Vector3(), 200.0);
    EXPECT_TRUE(manager.GetSprayRequests().empty());
    EXPECT_EQ(manager.GetSpraySystem(0)->GetLastEmissionTime(), 101.0 + count) << "started again";
    for (std::uint32_t i = 1; i < count; ++i)
        EXPECT_EQ(manager.GetSpraySystem(i)->GetLastEmissionTime(), 101.0 + i) << i;
    EXPECT_TRUE(scene.messages().texts().empty());
}
