#include "OceanScene.h"

#include "core/Configuration.h"
#include <Maris/Environment.h>
#include "grid/ProjectedGrid.h"
#include <Maris/ResourceLoader.h>
#include "wakes/WakeManager.h"
#include <Maris/WakeSource.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <set>

namespace {

Maris::WakeWave ring(double birth, double wavelength, double speed, double startRadius)
{
    Maris::WakeWave wave;
    wave.birthTime = birth;
    wave.wavelength = wavelength;
    wave.expansionSpeed = speed;
    wave.sizeA = 4.0 * startRadius;
    wave.sizeB = startRadius;
    wave.maximumRadius = 1e6;
    return wave;
}

// A wake manager on a simulation-only environment with the shipped configuration.
class WakeManagerTest : public ::testing::Test
{
protected:
    static OceanScene::Options shipped()
    {
        OceanScene::Options o = OceanScene::bareOptions("", Maris::NoRenderer);
        o.resourceDirectory = MARIS_RESOURCES_DIR;
        o.captureMessages = true;
        return o;
    }
    void SetUp() override { ASSERT_TRUE(scene.ready()) << scene.failure(); }
    void TearDown() override
    {
        Maris::WakeManager::SetMaximumWaveAmplitude(2.0);
        Maris::WakeManager::SetMinimumWaveAmplitude(0.01);
    }

    // Moves the source along +x at the speed (m/s) for the duration, updating every step.
    void sail(Maris::WakeSource& source, Maris::WakeManager& manager, double speed, double from,
              double to, double step = 0.5)
    {
        for (double t = from; t <= to + 1e-9; t += step) {
            source.Update(t, Maris::Vector3(speed * t, 0.0, 0.0));
            manager.Update(camera, t);
        }
    }

    OceanScene scene{shipped()};
    Maris::ProjectedGrid grid{false};
    Maris::Vector3 camera{0.0, 0.0, 50.0};
};

} // namespace

TEST_F(WakeManagerTest, RingFadesInThenWeakensAsItGrows)
{
    Maris::WakeWave wave = ring(10.0, 20.0, 5.0, 4.0);
    ASSERT_TRUE(Maris::WakeManager::AgeWave(wave, 10.0, 1.0));
    EXPECT_EQ(wave.amplitude, 0.0) << "age 0";
    EXPECT_EQ(wave.radius, 4.0) << "starts at size b";
    double previous = 0.0;
    for (double t : {10.1, 10.25, 10.4}) {
        ASSERT_TRUE(Maris::WakeManager::AgeWave(wave, t, 1.0));
        EXPECT_GT(wave.amplitude, previous) << "fading in at " << t;
        previous = wave.amplitude;
    }
    ASSERT_TRUE(Maris::WakeManager::AgeWave(wave, 10.5, 1.0));
    EXPECT_EQ(wave.radius, 6.5);
    const double full = wave.amplitude;
    ASSERT_TRUE(Maris::WakeManager::AgeWave(wave, 30.0, 1.0));
    EXPECT_LT(wave.amplitude, full) << "weaker as it grows";
    EXPECT_GT(wave.amplitude, 0.0);
    EXPECT_EQ(wave.washWidth, 0.0) << "no source, no wash";
}

// The configuration is read at every update: twice the scale, twice the ring; a longer fade-in,
// only part of it at the old fade-in time.
TEST_F(WakeManagerTest, ScaleAndFadeInTimeAreReadAtEveryUpdate)
{
    Maris::WakeWave before = ring(0.0, 14.0, 1.0, 2.0);
    ASSERT_TRUE(Maris::WakeManager::AgeWave(before, 2.0, 1.0));
    Maris::Configuration::SetConfigEntry("wake-wave-scale", "0.4");
    Maris::Configuration::SetConfigEntry("wake-fade-in-time", "4.0");
    Maris::WakeWave after = ring(0.0, 14.0, 1.0, 2.0);
    ASSERT_TRUE(Maris::WakeManager::AgeWave(after, 2.0, 1.0));
    EXPECT_GT(after.amplitude, 0.0);
    EXPECT_LT(after.amplitude, before.amplitude * 2.0 * 0.99);
    ASSERT_TRUE(Maris::WakeManager::AgeWave(after, 4.0, 1.0));
    Maris::Configuration::SetConfigEntry("wake-wave-scale", "0.2");
    Maris::WakeWave unscaled = ring(0.0, 14.0, 1.0, 2.0);
    ASSERT_TRUE(Maris::WakeManager::AgeWave(unscaled, 4.0, 1.0));
    EXPECT_NEAR(after.amplitude, 2.0 * unscaled.amplitude, 1e-9);
}

TEST_F(WakeManagerTest, AmplitudeLimitsClampAndRetireRings)
{
    EXPECT_EQ(Maris::WakeManager::GetMaximumWaveAmplitude(), 2.0);
    EXPECT_EQ(Maris::WakeManager::GetMinimumWaveAmplitude(), 0.01);

    // A very long wave would rise far above 2 m near its start; it is held at the limit.
    Maris::WakeWave tall = ring(0.0, 1000.0, 1.0, 1.0);
    ASSERT_TRUE(Maris::WakeManager::AgeWave(tall, 5.0, 1.0));
    EXPECT_EQ(tall.amplitude, 2.0);
    // Two metres per unit: the limit is one unit.
    Maris::WakeWave scaled = ring(0.0, 500.0, 1.0, 1.0);
    ASSERT_TRUE(Maris::WakeManager::AgeWave(scaled, 5.0, 2.0));
    EXPECT_EQ(scaled.amplitude, 1.0);

    // A faint ring is retired once it is no more than the minimum.
    Maris::WakeWave faint = ring(0.0, 0.3, 1.0, 1.0);
    EXPECT_FALSE(Maris::WakeManager::AgeWave(faint, 1.0, 1.0));

    Maris::WakeManager::SetMaximumWaveAmplitude(0.5);
    Maris::WakeWave held = ring(0.0, 1000.0, 1.0, 1.0);
    ASSERT_TRUE(Maris::WakeManager::AgeWave(held, 5.0, 1.0));
    EXPECT_EQ(held.amplitude, 0.5);

    // Limits of 0 would flatten and retire every ring at once: the reason they have defaults.
    Maris::WakeManager::SetMaximumWaveAmplitude(0.0);
    Maris::WakeManager::SetMinimumWaveAmplitude(0.0);
    Maris::WakeWave any = ring(0.0, 20.0, 1.0, 1.0);
    EXPECT_FALSE(Maris::WakeManager::AgeWave(any, 1.0, 1.0));
}

TEST_F(WakeManagerTest, RingReachingItsMaximumRadiusIsRemovedAtTheNextUpdate)
{
    Maris::WakeManager manager(1.0, nullptr);
    ASSERT_TRUE(manager.Initialize(&grid, Maris::Matrix3(), &scene.environment(), 0, 0));
    Maris::WakeWave wave = ring(0.0, 20.0, 1.0, 4.0);
    wave.maximumRadius = 10.0;
    manager.AddWave(wave);
    Maris::WakeWave persistent = ring(0.0, 20.0, 1.0, 4.0);
    persistent.persistent = true;
    persistent.maximumRadius = 5.0;
    persistent.amplitude = 0.7;
    manager.AddWave(persistent);

    manager.Update(camera, 5.9);
    ASSERT_EQ(manager.GetWaves().size(), 2u);
    EXPECT_NEAR(manager.GetWaves().front().radius, 9.9, 1e-12);
    manager.Update(camera, 6.0);
    ASSERT_EQ(manager.GetWaves().size(), 1u) << "radius 10 is not below the maximum";
    EXPECT_TRUE(manager.GetWaves().front().persistent) << "persistent rings never age";
    EXPECT_EQ(manager.GetWaves().front().amplitude, 0.7);
    EXPECT_EQ(manager.GetWaves().front().radius, 0.0);
}

TEST_F(WakeManagerTest, MovingSourceLeavesNumberedRingsAlongItsTrack)
{
    Maris::WakeManager manager(1.0, nullptr);
    ASSERT_TRUE(manager.Initialize(&grid, Maris::Matrix3(), &scene.environment(), 0, 0));
    Maris::WakeSource boat(&manager, 40.0, 8.0);
    boat.SetPropellerWash(true);
    sail(boat, manager, 8.0, 0.0, 30.0);

    // A ring every wake-wave-generation-period (5 s) while it moves.
    EXPECT_EQ(boat.GetWaveCount(), 6u);
    ASSERT_EQ(manager.GetWaves().size(), 6u);
    EXPECT_NEAR(boat.GetSpeed(), 8.0, 1e-9);
    std::set<std::uint32_t> numbers;
    for (const Maris::WakeWave& wave : manager.GetWaves()) {
        numbers.insert(wave.number);
        EXPECT_EQ(wave.source, &boat);
        EXPECT_EQ(wave.position.y, 0.0);
        EXPECT_NEAR(wave.position.x, 8.0 * (0.5 + 5.0 * wave.number), 1e-9) << "on the track";
        EXPECT_NEAR(wave.propellerPosition.x, wave.position.x - 20.0, 1e-9) << "half a length aft";
        // Kelvin wavelength 2 pi v^2 / g, expanding at its group speed.
        EXPECT_NEAR(wave.wavelength, 6.283185307179586 * 64.0 / 9.81, 1e-9);
        EXPECT_NEAR(wave.expansionSpeed, 4.0, 1e-9);
        EXPECT_GT(wave.washWidth, 0.0) << "the source has moved on from the ring";
    }
    EXPECT_EQ(numbers.size(), 6u);

    // Spray at the bow every second, started (and emptied) by each update.
    EXPECT_TRUE(manager.GetSprayRequests().empty());
    boat.Update(31.0, Maris::Vector3(8.0 * 31.0, 0.0, 0.0));
    ASSERT_EQ(manager.GetSprayRequests().size(), 1u);
    EXPECT_NEAR(manager.GetSprayRequests().front().position.x, 8.0 * 31.0 + 20.0, 1e-9);
    manager.Update(camera, 31.0);
    EXPECT_TRUE(manager.GetSprayRequests().empty());
}

TEST_F(WakeManagerTest, RestingSourceRaisesNoWake)
{
    Maris::WakeManager manager(1.0, nullptr);
    ASSERT_TRUE(manager.Initialize(&grid, Maris::Matrix3(), &scene.environment(), 0, 0));
    Maris::WakeSource buoy(&manager, 5.0, 2.0);
    sail(buoy, manager, 0.0, 0.0, 30.0);
    EXPECT_EQ(buoy.GetWaveCount(), 0u);
    EXPECT_TRUE(manager.GetWaves().empty());
}

TEST_F(WakeManagerTest, DistantSourcesAreThinnedByTheirSpacingAndSortedNearestFirst)
{
    Maris::WakeManager manager(1.0, nullptr);
    ASSERT_TRUE(manager.Initialize(&grid, Maris::Matrix3(), &scene.environment(), 0, 0));
    Maris::WakeSource boat(&manager, 100.0, 10.0);
    boat.SetSpacing(100.0);
    boat.SetMaximumRadius(1e6);
    sail(boat, manager, 10.0, 0.0, 50.0, 5.0);
    ASSERT_EQ(boat.GetWaveCount(), 10u);

    // Near the boat: every ring.
    camera = boat.GetPosition() + Maris::Vector3(0.0, 50.0, 0.0);
    manager.Update(camera, 50.0);
    EXPECT_EQ(manager.GetDrawList().size(), 10u);

    // 350 from it: every third ring, and the two newest.
    camera = boat.GetPosition() + Maris::Vector3(0.0, 350.0, 0.0);
    manager.Update(camera, 50.0);
    std::set<std::uint32_t> drawn;
    for (const Maris::WakeWave& wave : manager.GetDrawList())
        drawn.insert(wave.number);
    EXPECT_EQ(drawn, (std::set<std::uint32_t>{0, 3, 6, 8, 9}));

    // Nearest first, each pointing from its propeller to the one of the previous drawn ring.
    const Maris::Vector<Maris::WakeWave>& list = manager.GetDrawList();
    for (std::size_t i = 1; i < list.size(); ++i)
        EXPECT_LE((list[i - 1].position - camera).SquaredLength(),
                  (list[i].position - camera).SquaredLength());
    std::map<std::uint32_t, const Maris::WakeWave*> byNumber;
    for (const Maris::WakeWave& wave : list)
        byNumber[wave.number] = &wave;
    const Maris::WakeWave* previous = nullptr;
    for (const auto& entry : byNumber) {
        const Maris::Vector3 expected =
            previous ? previous->propellerPosition - entry.second->propellerPosition
                     : Maris::Vector3();
        EXPECT_NEAR((entry.second->deltaPosition - expected).Length(), 0.0, 1e-9)
            << "ring " << entry.first;
        previous = entry.second;
    }

    // Without spacing nothing is thinned.
    boat.SetSpacing(0.0);
    manager.Update(camera, 50.0);
    EXPECT_EQ(manager.GetDrawList().size(), 10u);
}

TEST_F(WakeManagerTest, HeightQueriesFindTheRingASourceLeaves)
{
    Maris::WakeManager manager(1.0, nullptr);
    Maris::Vector3 normal;
    EXPECT_EQ(manager.GetHeight(Maris::Vector3(), &grid, &normal), 0.0f) << "not initialised";
    ASSERT_TRUE(manager.Initialize(&grid, Maris::Matrix3(), &scene.environment(), 0, 0));
    Maris::WakeSource boat(&manager, 30.0, 6.0);
    // One ring: the boat moves for a moment, then lies still while the ring spreads.
    sail(boat, manager, 6.0, 0.0, 4.0, 0.1);
    for (double t = 4.1; t <= 20.0; t += 0.1) {
        boat.Update(t, boat.GetPosition());
        manager.Update(camera, t);
    }
    ASSERT_EQ(manager.GetWaves().size(), 1u);
    const Maris::WakeWave& wave = manager.GetWaves().front();
    ASSERT_GT(wave.amplitude, 0.05);
    ASSERT_GT(wave.radius, 40.0);

    const double directions[4][2] = {{1.0, 0.0}, {0.0, 1.0}, {-1.0, 0.0}, {0.0, -1.0}};
    for (const auto& d : directions) {
        const Maris::Vector3 outward(d[0], d[1], 0.0);
        const Maris::Vector3 crest = wave.position + outward * wave.radius;
        EXPECT_NEAR(manager.GetHeight(crest, &grid, &normal), wave.amplitude, 1e-5);
        EXPECT_NEAR(normal.z, 1.0, 1e-9) << "flat on the crest";
        // On the outer face the surface leans outwards, on the inner face inwards.
        const Maris::Vector3 outer = crest + outward * (wave.wavelength * 0.125);
        EXPECT_NEAR(manager.GetHeight(outer, &grid, &normal), wave.amplitude * std::cos(0.785398),
                    1e-4);
        EXPECT_GT(normal.Dot(outward), 1e-3);
        EXPECT_NEAR(normal.Length(), 1.0, 1e-9);
        const Maris::Vector3 inner = crest - outward * (wave.wavelength * 0.125);
        manager.GetHeight(inner, &grid, &normal);
        EXPECT_LT(normal.Dot(outward), -1e-3);
        // A quarter wavelength off the crest the ring crosses the mean sea level.
        EXPECT_NEAR(manager.GetHeight(crest + outward * (wave.wavelength * 0.25), &grid, nullptr),
                    0.0, 1e-5);
    }
    // At the centre and far away the sea is flat.
    EXPECT_EQ(manager.GetHeight(wave.position, &grid, &normal), 0.0f);
    EXPECT_EQ(manager.GetHeight(Maris::Vector3(1e5, 1e5, 0.0), &grid, &normal), 0.0f);
    EXPECT_EQ(normal, Maris::Vector3(0.0, 0.0, 1.0));
    EXPECT_EQ(manager.GetHeight(wave.position + Maris::Vector3(wave.radius, 0.0, 0.0), nullptr,
                                &normal),
              0.0f)
        << "no grid";
}

TEST_F(WakeManagerTest, SailingSourceLeavesASeriesOfCrestsAcrossItsTrack)
{
    Maris::WakeManager manager(1.0, nullptr);
    ASSERT_TRUE(manager.Initialize(&grid, Maris::Matrix3(), &scene.environment(), 0, 0));
    Maris::WakeSource boat(&manager, 30.0, 6.0);
    sail(boat, manager, 6.0, 0.0, 60.0, 0.1);
    ASSERT_GE(manager.GetWaves().size(), 10u);

    // Walk out sideways from the track behind the boat: one crest per ring the line crosses.
    const double x = 60.0;
    int crests = 0;
    double previous = 0.0;
    double before = 0.0;
    for (double y = 0.0; y < 250.0; y += 0.25) {
        const double h = manager.GetHeight(Maris::Vector3(x, y, 0.0), &grid, nullptr);
        if (y >= 0.5 && previous > before && previous >= h && previous > 0.05)
            ++crests;
        before = previous;
        previous = h;
    }
    EXPECT_GE(crests, 5);
    EXPECT_EQ(manager.GetHeight(Maris::Vector3(x, 5000.0, 0.0), &grid, nullptr), 0.0f);
}

TEST_F(WakeManagerTest, SourcesAndManagerOutliveEachOtherSafely)
{
    auto manager = std::make_unique<Maris::WakeManager>(1.0, nullptr);
    ASSERT_TRUE(manager->Initialize(&grid, Maris::Matrix3(), &scene.environment(), 0, 0));
    {
        Maris::WakeSource boat(manager.get(), 20.0, 5.0);
        sail(boat, *manager, 5.0, 0.0, 10.0);
        ASSERT_FALSE(manager->GetWaves().empty());
    }
    // The rings stay on the sea without their source, and keep ageing.
    for (const Maris::WakeWave& wave : manager->GetWaves())
        EXPECT_EQ(wave.source, nullptr);
    manager->Update(camera, 20.0);
    EXPECT_FALSE(manager->GetWaves().empty());
    EXPECT_FALSE(manager->GetDrawList().empty());

    Maris::WakeSource late(manager.get(), 20.0, 5.0);
    manager.reset();
    EXPECT_EQ(late.GetWakeManager(), nullptr);
    late.Update(30.0, Maris::Vector3(100.0, 0.0, 0.0));
    late.Update(31.0, Maris::Vector3(110.0, 0.0, 0.0));
    EXPECT_EQ(late.GetWaveCount(), 0u);
}

TEST_F(WakeManagerTest, BaseManagerHasNoShaders)
{
    Maris::WakeManager manager(1.0, nullptr);
    ASSERT_TRUE(manager.Initialize(&grid, Maris::Matrix3(), &scene.environment(), 0, 0));
    EXPECT_FALSE(manager.PrepareShader(&scene.environment()));
    EXPECT_FALSE(manager.PreparePatchShader(&scene.environment()));
    EXPECT_TRUE(manager.D3D9DeviceLost());
    EXPECT_TRUE(manager.D3D9DeviceReset());
    EXPECT_EQ(manager.GetMaxSprays(), 10u);
    EXPECT_EQ(manager.GetSpraySystem(0), nullptr);
    EXPECT_EQ(manager.GetWashLength(), 1000.0);
}
