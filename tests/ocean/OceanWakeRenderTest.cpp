#include "OceanScene.h"

#include "core/Configuration.h"
#include <Maris/Ocean.h>
#include "grid/ProjectedGrid.h"
#include "waves/WaterModel.h"
#include "opengl/OpenGLEntryPoints.h"
#include "spray/ParticleSystem.h"
#include "wakes/WakeManager.h"
#include <Maris/WakeSource.h>

#include <gtest/gtest.h>


#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

const int size = 256;

// The fixture's frame buffer as RGB, bottom row first.
std::vector<unsigned char> rgbOf(const OceanScene& scene)
{
    const std::vector<std::uint8_t> rgba = scene.readPixels();
    std::vector<unsigned char> rgb;
    for (std::size_t i = 0; i < rgba.size(); i += 4)
        rgb.insert(rgb.end(), rgba.begin() + static_cast<long>(i), rgba.begin() + static_cast<long>(i) + 3);
    return rgb;
}

} // namespace

TEST(OceanWakes, SailingVesselLeavesVisibleRingsOnTheDrawnSea)
{
    OceanScene scene{OceanScene::shippedOptions()};
    ASSERT_TRUE(scene.ready()) << scene.failure();
    const double light[3] = {0.3, 0.5, 0.8};
    const double color[3] = {1.0, 0.95, 0.9};
    const double ambient[3] = {0.3, 0.35, 0.4};
    scene.environment().SetDirectionalLight(light, color);
    scene.environment().SetAmbientLight(ambient);
    scene.environment().SimulateSeaState(2.0, 0.0);
    // Looking down at the water the vessel crosses.
    scene.lookAt(Maris::Vector3(0.0, -140.0, 120.0), Maris::Vector3(0.0, 0.0, 0.0), 60.0);

    // A coarser grid than the default keeps software rendering quick.
    Maris::Configuration::SetConfigEntry("default-grid-resolution", "192");
    std::unique_ptr<Maris::Ocean> ocean(
        Maris::Ocean::Create(&scene.environment(), Maris::GerstnerWaves, false, false));
    ASSERT_NE(ocean, nullptr) << ::testing::PrintToString(scene.messages().texts());
    Maris::WakeManager* wakes = ocean->GetWakeManager();
    ASSERT_NE(wakes, nullptr);

    Maris::WakeSource boat(wakes, 40.0, 8.0);
    boat.SetPropellerWash(true);
    boat.SetSprayEnabled(false);
    double time = 0.0;
    for (; time <= 40.0; time += 0.25) {
        boat.Update(time, Maris::Vector3(-100.0 + 5.0 * time, 0.0, 0.0));
        // What the ocean's draw does with the wakes each frame.
        wakes->Update(scene.environment().GetCameraPosition(), time);
    }
    ASSERT_FALSE(wakes->GetDrawList().empty());
    const Maris::Vector<Maris::WakeWave> rings = wakes->GetDrawList();
    glClearColor(0.6f, 0.7f, 0.8f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ocean->Draw(time, true, true, false);
    const std::vector<unsigned char> withWakes = rgbOf(scene);

    // The same sea at the same moment with every ring gone: limits of 0 retire them all.
    Maris::WakeManager::SetMaximumWaveAmplitude(0.0);
    Maris::WakeManager::SetMinimumWaveAmplitude(0.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ocean->Draw(time, true, true, false);
    Maris::WakeManager::SetMaximumWaveAmplitude(2.0);
    Maris::WakeManager::SetMinimumWaveAmplitude(0.01);
    EXPECT_TRUE(wakes->GetDrawList().empty());
    const std::vector<unsigned char> calm = rgbOf(scene);

    // The sea is drawn at all: the picture is not just the clear color.
    int sea = 0;
    for (std::size_t i = 0; i < calm.size(); i += 3)
        if (std::abs(calm[i] - 153) + std::abs(calm[i + 1] - 178) + std::abs(calm[i + 2] - 204) > 30)
            ++sea;
    EXPECT_GT(sea, size * size / 4);

    // The rings change the sea where they are, and only there: every changed pixel looks at the
    // sea (the plane z = 0, give or take the waves) near a ring or near the vessel's track.
    const Maris::Matrix4 toWorld =
        (scene.environment().GetCameraMatrix() * scene.environment().GetProjectionMatrix()).Inverse();
    auto nearWake = [&](int column, int row) {
        const double x = (column + 0.5) / size * 2.0 - 1.0;
        const double y = (row + 0.5) / size * 2.0 - 1.0;
        const Maris::Vector3 a = toWorld.TransformPoint(Maris::Vector3(x, y, -1.0));
        const Maris::Vector3 b = toWorld.TransformPoint(Maris::Vector3(x, y, 1.0));
        if (a.z - b.z <= 0.0)
            return false;
        const Maris::Vector3 hit = a + (b - a) * (a.z / (a.z - b.z));
        const double margin = 20.0;
        if (std::fabs(hit.y) < margin && hit.x > -100.0 - margin && hit.x < 100.0 + margin)
            return true; // the track and its wash
        for (const Maris::WakeWave& ring : rings) {
            const double r = std::hypot(hit.x - ring.position.x, hit.y - ring.position.y);
            if (std::fabs(r - ring.radius) < ring.wavelength + margin)
                return true;
        }
        return false;
    };
    int changed = 0;
    int changedAway = 0;
    int away = 0;
    for (int row = 0; row < size; ++row)
        for (int column = 0; column < size; ++column) {
            const std::size_t i = (static_cast<std::size_t>(row) * size + column) * 3;
            const int d = std::abs(withWakes[i] - calm[i]) + std::abs(withWakes[i + 1] - calm[i + 1]) +
                          std::abs(withWakes[i + 2] - calm[i + 2]);
            const bool near = nearWake(column, row);
            if (!near)
                ++away;
            if (d > 12) {
                ++changed;
                if (!near)
                    ++changedAway;
            }
        }
    EXPECT_GT(changed, 300) << "the wake shows";
    EXPECT_GT(away, 1000) << "the view holds sea far from the wake";
    EXPECT_LE(changedAway, changed / 100) << "the sea away from the wake stays as it was";
}

TEST(OceanWakes, BowSprayIsDrawnWithTheParticles)
{
    OceanScene scene{OceanScene::shippedOptions()};
    ASSERT_TRUE(scene.ready()) << scene.failure();
    const double light[3] = {0.3, 0.5, 0.8};
    const double color[3] = {1.0, 0.95, 0.9};
    const double ambient[3] = {0.8, 0.8, 0.8};
    scene.environment().SetDirectionalLight(light, color);
    scene.environment().SetAmbientLight(ambient);
    scene.environment().SimulateSeaState(2.0, 0.0);
    // Close to the bow of a vessel coming towards the camera.
    scene.lookAt(Maris::Vector3(0.0, -60.0, 15.0), Maris::Vector3(0.0, 0.0, 2.0), 60.0);
    Maris::Configuration::SetConfigEntry("default-grid-resolution", "128");
    Maris::Configuration::SetConfigEntry("wake-spray-particles", "200");
    std::unique_ptr<Maris::Ocean> ocean(
        Maris::Ocean::Create(&scene.environment(), Maris::GerstnerWaves, false, false));
    ASSERT_NE(ocean, nullptr) << ::testing::PrintToString(scene.messages().texts());
    Maris::WakeManager* wakes = ocean->GetWakeManager();

    // The vessel rides the waves: its height is the sea's at its bow when the burst is drawn.
    const double burst = 2.25;
    const double time = burst + 0.3;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ocean->Draw(time, true, true, false);
    Maris::Vector3 normal;
    const double sea = ocean->GetGrid()->GetWaterModel()->GetHeight(Maris::Vector3(), ocean->GetGrid(),
                                                                      normal);
    ASSERT_NE(sea, 0.0) << "the waves are up";
    Maris::WakeSource boat(wakes, 20.0, 5.0);
    // Spray at the bow every second: at 0.25, 1.25 and 2.25, the bow reaching the origin.
    for (double t = 0.0; t <= burst + 1e-9; t += 0.25) {
        boat.Update(t, Maris::Vector3(0.0, 10.0 + 6.0 * (burst - t), sea));
        wakes->Update(scene.environment().GetCameraPosition(), t);
    }

    glClearColor(0.6f, 0.7f, 0.8f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ocean->Draw(time, true, true, false);
    const std::vector<unsigned char> without = rgbOf(scene);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ocean->Draw(time, true, true, true);
    const std::vector<unsigned char> with = rgbOf(scene);
    // Once every burst has fallen back, nothing is drawn over the sea.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ocean->Draw(time + 5.0, true, false, true);
    const std::vector<unsigned char> later = rgbOf(scene);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ocean->Draw(time + 5.0, true, false, false);
    const std::vector<unsigned char> laterWithout = rgbOf(scene);

    bool started = false;
    for (std::uint32_t i = 0; i < wakes->GetMaxSprays(); ++i)
        started = started || (wakes->GetSpraySystem(i)->GetLastEmissionTime() == burst &&
                              wakes->GetSpraySystem(i)->GetEndTime() > time);
    EXPECT_TRUE(started) << "the last request became a burst still in the air";

    int brighter = 0;
    for (std::size_t i = 0; i < with.size(); i += 3)
        if (with[i] + with[i + 1] + with[i + 2] > without[i] + without[i + 1] + without[i + 2] + 12)
            ++brighter;
    EXPECT_GT(brighter, 100) << "a white burst at the bow";
    EXPECT_LT(brighter, size * size / 10);
    EXPECT_EQ(later, laterWithout) << "spent bursts are not drawn";
    // The burst is where the bow is: around the middle of the view.
    long sumRow = 0;
    long sumColumn = 0;
    for (int row = 0; row < size; ++row)
        for (int column = 0; column < size; ++column) {
            const std::size_t i = (static_cast<std::size_t>(row) * size + column) * 3;
            if (with[i] + with[i + 1] + with[i + 2] > without[i] + without[i + 1] + without[i + 2] + 12) {
                sumRow += row;
                sumColumn += column;
            }
        }
    if (brighter > 0) {
        EXPECT_NEAR(static_cast<double>(sumColumn) / brighter, size / 2.0, 12.0);
        EXPECT_NEAR(static_cast<double>(sumRow) / brighter, size / 2.0, 24.0);
    }
    EXPECT_TRUE(scene.messages().texts().empty())
        << ::testing::PrintToString(scene.messages().texts());
}
