#include "OceanScene.h"

#include "core/Configuration.h"
#include "core/SprayPositionSource.h"
#include "grid/ProjectedGrid.h"
#include "opengl/OpenGLEntryPoints.h"
#include "opengl/ParticleShaderProgram.h"
#include "opengl/ParticleSystemOpenGL.h"
#include "opengl/ParticleVertex.h"
#include "opengl/ProjectedGridOpenGL.h"
#include "opengl/SprayManagerOpenGL.h"
#include "opengl/SprayTexture.h"
#include "opengl/WakeManagerOpenGL.h"
#include "spray/ParticleSystem.h"
#include "spray/ParticleSystemManager.h"
#include "wakes/WakeManager.h"
#include "waves/GerstnerWaterModel.h"
#include "waves/WaterModel.h"
#include <Maris/Ocean.h>
#include <Maris/WakeSource.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

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
    void SetUp() override
    {
        ASSERT_TRUE(scene.ready()) << scene.failure();
        ASSERT_TRUE(manager->Initialize(&grid, Maris::Matrix3(), &scene.environment(), 0, 0));
    }

    // Moves the source along +x at the speed (m/s) for the duration, updating every step.
    void sail(Maris::WakeSource& source, double speed, double from, double to, double step = 0.5)
    {
        for (double t = from; t <= to + 1e-9; t += step) {
            source.Update(t, Maris::Vector3(speed * t, 0.0, 0.0));
            manager->Update(camera, t);
        }
    }

    OceanScene scene{[] {
        OceanScene::Options o = OceanScene::bareOptions("");
        o.resourceDirectory = MARIS_RESOURCES_DIR; // the shipped configuration
        return o;
    }()};
    Maris::ProjectedGrid grid{false};
    Maris::Vector3 camera{0.0, 0.0, 50.0};
    std::unique_ptr<Maris::WakeManager> manager =
        std::make_unique<Maris::WakeManager>(1.0, nullptr);
};

// A lit Gerstner sea on a coarse grid (quick in software), the camera at eye looking at target.
class OceanWakes : public ::testing::Test
{
protected:
    void create(const Maris::Vector3& eye, const Maris::Vector3& target, const char* resolution)
    {
        ASSERT_TRUE(scene.ready()) << scene.failure();
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

    OceanScene scene;
    std::unique_ptr<Maris::Ocean> ocean;
    Maris::WakeManager* wakes = nullptr;
};

// Every preamble the renderers choose, with the renderer that uses it.
struct PreambleCase
{
    Maris::Renderer renderer;
    bool pointSprites;
    const char* name;
};

// The particle program and spray texture as the spray manager builds them; the context frees them.
class ParticleShaderPreambles : public ::testing::TestWithParam<PreambleCase>
{
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(build(GetParam())); }
    void build(const PreambleCase& c)
    {
        Maris::ParticleSystem::ResetReferenceTime();
        OceanScene::Options options;
        options.renderer = c.renderer;
        scene = std::make_unique<OceanScene>(options);
        ASSERT_TRUE(scene->ready()) << scene->failure();
        if (c.pointSprites)
            Maris::Configuration::SetConfigEntry("spray-force-point-sprites", "true");
        ASSERT_TRUE(Maris::BuildParticleShaderProgram(
            &scene->environment(), Maris::ParticleShaderPreamble(c.renderer, c.pointSprites),
            "test: ", shaders))
            << ::testing::PrintToString(scene->messages().texts());
        texture = Maris::CreateSprayTexture(&scene->environment());
        ASSERT_NE(texture, 0u);
    }
    std::unique_ptr<OceanScene> scene;
    Maris::ProjectedGrid grid{false};
    Maris::ParticleShaderProgram shaders;
    std::uint32_t texture = 0;
};

class ParticleSystemTest : public ParticleShaderPreambles
{
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(build({Maris::OpenGL2, false, "Quads"})); }
};

// Breaking points as a wave model would report them, in tile coordinates.
class FixedBreakers : public Maris::SprayPositionSource
{
public:
    const Maris::Vector<Maris::Vector3>& GetSprayPositions() override { return points; }
    Maris::Vector<Maris::Vector3> points{Maris::Vector3(10, 20, 0), Maris::Vector3(60, 70, 0.3)};
};

// A spray manager over tiles of 100, looked at straight down from 500: all nine tiles in view.
class SprayManagerTest : public ParticleSystemTest
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(ParticleSystemTest::SetUp());
        scene->lookAt(Maris::Vector3(50.0, 50.0, 500.0), Maris::Vector3(50.0, 50.0, 0.0), 120.0);
        scene->environment().SimulateSeaState(4.0, 0.0);
        Maris::Configuration::SetConfigEntry("fft-grid-size-x", "100");
        Maris::Configuration::SetConfigEntry("fft-grid-size-y", "100");
    }

    // The configuration is read when the manager is initialized.
    bool start(bool enabled = true)
    {
        Maris::Configuration::SetConfigEntry("fft-enable-spray", enabled ? "true" : "false");
        spray = std::make_unique<Maris::SprayManagerOpenGL>(&scene->environment());
        spray->SetSprayPositionSource(&breakers);
        return spray->Initialize(&grid);
    }

    FixedBreakers breakers;
    std::unique_ptr<Maris::SprayManagerOpenGL> spray;
};

} // namespace

TEST_F(WakeManagerTest, RingsFadeInWeakenAsTheyGrowAndRetireAtTheLimitsOrTheirMaximumRadius)
{
    Maris::WakeWave wave = ring(10.0, 20.0, 5.0, 4.0);
    double previous = -1.0;
    for (double t : {10.0, 10.1, 10.25, 10.4}) {
        ASSERT_TRUE(Maris::WakeManager::AgeWave(wave, t, 1.0));
        EXPECT_GT(wave.amplitude, previous) << "fading in at " << t;
        previous = wave.amplitude;
    }
    ASSERT_TRUE(Maris::WakeManager::AgeWave(wave, 10.5, 1.0));
    const double full = wave.amplitude;
    ASSERT_TRUE(Maris::WakeManager::AgeWave(wave, 30.0, 1.0));
    EXPECT_LT(wave.amplitude, full) << "weaker as it grows";

    Maris::WakeWave faint = ring(0.0, 0.3, 1.0, 1.0);
    EXPECT_FALSE(Maris::WakeManager::AgeWave(faint, 1.0, 1.0)) << "at most the minimum: retired";
    Maris::WakeWave bounded = ring(0.0, 20.0, 1.0, 4.0);
    bounded.maximumRadius = 10.0;
    EXPECT_TRUE(Maris::WakeManager::AgeWave(bounded, 5.9, 1.0));
    EXPECT_FALSE(Maris::WakeManager::AgeWave(bounded, 6.0, 1.0)) << "not below its maximum";
    bounded.persistent = true;
    EXPECT_TRUE(Maris::WakeManager::AgeWave(bounded, 1e6, 1.0)) << "persistent rings never age";
}

TEST_F(WakeManagerTest, MovingSourceLeavesKelvinRingsAlongItsTrackAndARestingOneNone)
{
    Maris::WakeSource buoy(manager.get(), 5.0, 2.0);
    sail(buoy, 0.0, 0.0, 30.0);
    EXPECT_EQ(buoy.GetWaveCount(), 0u);
    EXPECT_TRUE(manager->GetWaves().empty());

    Maris::WakeSource boat(manager.get(), 40.0, 8.0);
    boat.SetPropellerWash(true);
    sail(boat, 8.0, 0.0, 30.0);
    EXPECT_GE(boat.GetWaveCount(), 5u);
    ASSERT_EQ(manager->GetWaves().size(), boat.GetWaveCount());
    for (const Maris::WakeWave& wave : manager->GetWaves()) {
        EXPECT_EQ(wave.position.y, 0.0) << "on the track";
        // Kelvin wavelength 2 pi v^2 / g, expanding at its group speed (half the phase speed).
        EXPECT_NEAR(wave.wavelength, 2.0 * M_PI * 64.0 / 9.81, 1e-9);
        EXPECT_NEAR(wave.expansionSpeed, 4.0, 1e-9);
        EXPECT_GT(wave.washWidth, 0.0) << "the source has moved on from the ring";
    }
}

TEST_F(WakeManagerTest, DistantSourcesAreThinnedByTheirSpacingAndSortedNearestFirst)
{
    Maris::WakeSource boat(manager.get(), 100.0, 10.0);
    boat.SetSpacing(100.0);
    boat.SetMaximumRadius(1e6);
    sail(boat, 10.0, 0.0, 50.0, 5.0);
    ASSERT_EQ(boat.GetWaveCount(), 10u);
    camera = boat.GetPosition() + Maris::Vector3(0.0, 50.0, 0.0);
    manager->Update(camera, 50.0);
    EXPECT_EQ(manager->GetDrawList().size(), 10u) << "near the boat: every ring";

    // 350 from it: every third ring, and the two newest.
    camera = boat.GetPosition() + Maris::Vector3(0.0, 350.0, 0.0);
    manager->Update(camera, 50.0);
    const Maris::Vector<Maris::WakeWave>& list = manager->GetDrawList();
    std::set<std::uint32_t> drawn;
    for (std::size_t i = 0; i < list.size(); ++i) {
        drawn.insert(list[i].number);
        if (i > 0) {
            EXPECT_LE((list[i - 1].position - camera).SquaredLength(),
                      (list[i].position - camera).SquaredLength());
        }
    }
    EXPECT_EQ(drawn, (std::set<std::uint32_t>{0, 3, 6, 8, 9}));
    boat.SetSpacing(0.0);
    manager->Update(camera, 50.0);
    EXPECT_EQ(manager->GetDrawList().size(), 10u) << "without spacing nothing is thinned";
}

TEST_F(WakeManagerTest, HeightQueriesFindTheRingASourceLeaves)
{
    Maris::WakeSource boat(manager.get(), 30.0, 6.0);
    // One ring: the boat moves for a moment, then lies still while the ring spreads.
    sail(boat, 6.0, 0.0, 4.0, 0.1);
    for (double t = 4.1; t <= 20.0; t += 0.1) {
        boat.Update(t, boat.GetPosition());
        manager->Update(camera, t);
    }
    ASSERT_EQ(manager->GetWaves().size(), 1u);
    const Maris::WakeWave& wave = manager->GetWaves().front();
    ASSERT_GT(wave.amplitude, 0.05);
    ASSERT_GT(wave.radius, 40.0);

    Maris::Vector3 normal;
    const double eighth = wave.wavelength * 0.125;
    for (const Maris::Vector3 outward : {Maris::Vector3(1, 0, 0), Maris::Vector3(0, -1, 0)}) {
        const Maris::Vector3 crest = wave.position + outward * wave.radius;
        EXPECT_NEAR(manager->GetHeight(crest, &grid, &normal), wave.amplitude, 1e-5);
        EXPECT_NEAR(normal.z, 1.0, 1e-9) << "flat on the crest";
        // On the outer face the surface leans outwards, on the inner face inwards.
        EXPECT_NEAR(manager->GetHeight(crest + outward * eighth, &grid, &normal),
                    wave.amplitude * std::cos(M_PI / 4), 1e-4);
        EXPECT_GT(normal.Dot(outward), 1e-3);
        manager->GetHeight(crest - outward * eighth, &grid, &normal);
        EXPECT_LT(normal.Dot(outward), -1e-3);
        EXPECT_NEAR(manager->GetHeight(crest + outward * (2 * eighth), &grid, nullptr), 0.0, 1e-5)
            << "a quarter wavelength off the crest: mean sea level";
    }
    // At the centre, far away and without a grid the sea is flat.
    EXPECT_EQ(manager->GetHeight(wave.position, &grid, &normal), 0.0f);
    EXPECT_EQ(manager->GetHeight(Maris::Vector3(1e5, 1e5, 0.0), &grid, &normal), 0.0f);
    EXPECT_EQ(normal, Maris::Vector3(0.0, 0.0, 1.0));
    const Maris::Vector3 crest = wave.position + Maris::Vector3(wave.radius, 0, 0);
    EXPECT_EQ(manager->GetHeight(crest, nullptr, &normal), 0.0f);
}

TEST_F(WakeManagerTest, SourcesAndManagerOutliveEachOtherSafely)
{
    {
        Maris::WakeSource boat(manager.get(), 20.0, 5.0);
        sail(boat, 5.0, 0.0, 10.0);
        ASSERT_FALSE(manager->GetWaves().empty());
    }
    // The rings stay on the sea without their source, and keep ageing.
    for (const Maris::WakeWave& wave : manager->GetWaves())
        EXPECT_EQ(wave.source, nullptr);
    manager->Update(camera, 20.0);
    EXPECT_FALSE(manager->GetDrawList().empty());

    Maris::WakeSource late(manager.get(), 20.0, 5.0);
    manager.reset();
    EXPECT_EQ(late.GetWakeManager(), nullptr);
    late.Update(30.0, Maris::Vector3(100.0, 0.0, 0.0));
    late.Update(31.0, Maris::Vector3(110.0, 0.0, 0.0));
    EXPECT_EQ(late.GetWaveCount(), 0u);
}

TEST_F(OceanWakes, SailingVesselLeavesVisibleRingsOnTheDrawnSea)
{
    ASSERT_NO_FATAL_FAILURE(create({0.0, -140.0, 120.0}, {0.0, 0.0, 0.0}, "192"));
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

    // Every ring retired (limits of 0): the shader's wake slots must be emptied too.
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
    ASSERT_NO_FATAL_FAILURE(create({0.0, -60.0, 15.0}, {0.0, 0.0, 2.0}, "128"));
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
    int brighter = 0;
    double sumRow = 0.0, sumColumn = 0.0;
    for (std::size_t i = 0; i < with.size(); ++i)
        if (with[i] > without[i] + 12) {
            ++brighter;
            sumRow += i / 256;
            sumColumn += i % 256;
        }
    ASSERT_GT(brighter, 100);
    EXPECT_LT(brighter, 256 * 256 / 10);
    EXPECT_NEAR(sumColumn / brighter, 128.0, 12.0);
    EXPECT_NEAR(sumRow / brighter, 128.0, 24.0);
    EXPECT_EQ(scene.messages().texts(), std::vector<std::string>());
}

TEST(WakeManagerOpenGLTest, SprayRequestsTakeTheSystemsInTurnAndTheEleventhReusesTheFirst)
{
    OceanScene scene;
    ASSERT_TRUE(scene.ready()) << scene.failure();
    Maris::ProjectedGrid grid(false);
    Maris::ParticleSystemManager particles;
    Maris::WakeManagerOpenGL manager(1.0, &particles);
    ASSERT_TRUE(manager.Initialize(&grid, Maris::Matrix3(), &scene.environment(), 0, 0));
    const std::uint32_t count = manager.GetMaxSprays();
    ASSERT_EQ(particles.GetParticleSystems().size(), count) << "handed to the particle manager";
    for (std::uint32_t i = 0; i <= count; ++i) {
        Maris::WakeSprayRequest request;
        request.position = Maris::Vector3(i * 10.0, 0.0, 0.0);
        request.time = 101.0 + i;
        request.speed = request.size = request.positionVariance = 2.0;
        manager.AddSprayRequest(request);
    }
    manager.Update(Maris::Vector3(), 200.0);
    EXPECT_TRUE(manager.GetSprayRequests().empty());
    EXPECT_EQ(manager.GetSpraySystem(0)->GetLastEmissionTime(), 101.0 + count) << "started again";
    for (std::uint32_t i = 1; i < count; ++i)
        EXPECT_EQ(manager.GetSpraySystem(i)->GetLastEmissionTime(), 101.0 + i) << i;
    EXPECT_TRUE(scene.messages().texts().empty());
}

TEST_P(ParticleShaderPreambles, CompileLinkAndOfferEveryParticleInput)
{
    // The particle system finds the uniforms and attributes of its layout, and draws.
    Maris::ParticleSystemOpenGL system(&scene->environment());
    EXPECT_TRUE(system.Initialize(texture, shaders.program, 16, &grid));
    EXPECT_EQ(system.GetVerticesPerParticle() == 1u, GetParam().pointSprites);
    system.Draw(1.0);
    EXPECT_EQ(scene->messages().texts(), std::vector<std::string>());
}

INSTANTIATE_TEST_SUITE_P(
    AllRenderers, ParticleShaderPreambles,
    ::testing::Values(
        PreambleCase{Maris::OpenGL2, false, "GLSL120Quads"},
        PreambleCase{Maris::OpenGL2, true, "GLSL120PointSprites"},
        PreambleCase{Maris::OpenGL32, false, "GLSL150CoreQuads"},
        PreambleCase{Maris::OpenGL41, true, "GLSL150CorePointSprites"},
        PreambleCase{Maris::OpenGL40, false, "GLSL150CompatibilityQuads"}),
    [](const ::testing::TestParamInfo<PreambleCase>& info) { return info.param.name; });

TEST_F(ParticleSystemTest, MissingPiecesAndBadProgramsAreRefusedWithTheirMessages)
{
    Maris::ParticleSystemOpenGL system(&scene->environment());
    EXPECT_FALSE(system.Initialize(0, shaders.program, 10, &grid));
    EXPECT_FALSE(system.Initialize(texture, 0, 10, &grid));
    EXPECT_FALSE(system.Initialize(texture, shaders.program, 10, nullptr));
    EXPECT_TRUE(scene->messages().texts().empty());
    Maris::ProjectedGridOpenGL sea(false); // a program without the particle uniforms
    ASSERT_TRUE(sea.Initialize(&scene->environment(), Maris::GerstnerWaves, 8));
    EXPECT_FALSE(system.Initialize(texture, sea.GetShader(), 8, &grid));
    EXPECT_EQ(scene->messages().texts(),
              std::vector<std::string>{"Expected particle uniforms not found."});

    // Compile errors name their manager, and the link failure is reported.
    scene->resources().write("particle.glsl", "void main() { this is not glsl; }\n");
    Maris::ParticleShaderProgram broken;
    EXPECT_FALSE(Maris::BuildParticleShaderProgram(&scene->environment(), "#version 120\n",
                                                   "GLSL error detected in spray manager!\n",
                                                   broken));
    EXPECT_EQ(broken.program, 0u);
    std::string reported;
    for (const std::string& text : scene->messages().texts())
        reported += text + "\n";
    EXPECT_NE(reported.find("GLSL error detected in spray manager!\n"), reported.npos);
    EXPECT_NE(reported.find("Failed to link particle shader program for OpenGL."), reported.npos);
}

// Particles keep within their variations; what does not fit is dropped and the next starts over.
TEST_F(ParticleSystemTest, EmittedParticlesStayWithinTheirVariationsAndWrapRoundTheBuffer)
{
    Maris::ParticleSystemOpenGL system(&scene->environment());
    ASSERT_TRUE(system.Initialize(texture, shaders.program, 50, &grid));
    Maris::Vector<Maris::Vector3> points;
    for (int i = 0; i < 40; ++i)
        points.push_back(Maris::Vector3(i * 10.0, 0.0, 0.0));
    const Maris::Vector3 up(0.0, 0.0, 1.0);
    ASSERT_TRUE(system.Emit(4.0, points, up, 0.2, 3.0, 1.0, 0.5, 2.0, 0.5));
    ASSERT_TRUE(system.Emit(5.0, Maris::Vector<Maris::Vector3>(15, Maris::Vector3(-5, 0, 0)), up,
                            0.0, 1.0, 0.0, 0.0, 1.0, 0.0));
    ASSERT_TRUE(system.Emit(6.0, Maris::Vector<Maris::Vector3>(3, Maris::Vector3(-7, 0, 0)), up,
                            0.0, 1.0, 0.0, 0.0, 1.0, 0.0));
    EXPECT_EQ(system.GetNextSlot(), 3u);
    // The first vertex of every particle, as the buffer holds it.
    std::vector<Maris::ParticleVertex> vertices;
    Maris::glBindBuffer(GL_ARRAY_BUFFER, system.GetVertexBuffer());
    const auto* mapped = static_cast<const Maris::ParticleVertex*>(
        Maris::glMapBuffer(GL_ARRAY_BUFFER, GL_READ_ONLY));
    for (std::uint32_t i = 0; mapped && i < 50; ++i)
        vertices.push_back(mapped[i * system.GetVerticesPerParticle()]);
    Maris::glUnmapBuffer(GL_ARRAY_BUFFER);
    ASSERT_EQ(vertices.size(), 50u);
    for (int i = 3; i < 40; ++i) {
        const Maris::ParticleVertex& v = vertices[i];
        EXPECT_NEAR(v.initialPosition[0], i * 10.0, 0.5 + 1e-4) << "kept";
        EXPECT_GE(std::hypot(v.initialVelocity[0], v.initialVelocity[1], v.initialVelocity[2]),
                  2.0 - 1e-4);
        EXPECT_GT(v.initialVelocity[2], 0.0f) << "the direction varies by 0.2 around up";
    }
    EXPECT_FLOAT_EQ(vertices[2].initialPosition[0], -7.0f) << "overwritten";
    EXPECT_FLOAT_EQ(vertices[40].initialPosition[0], -5.0f);
    EXPECT_FLOAT_EQ(vertices[40].startTime, 1.0f) << "relative to the first emission";
}

TEST_F(SprayManagerTest, EveryBreakingPointInViewEmitsOnlyWhenEnabledWithGridAndEnvironment)
{
    Maris::SprayManagerOpenGL gridless(&scene->environment());
    EXPECT_FALSE(gridless.Initialize(nullptr));
    Maris::SprayManagerOpenGL orphan(nullptr);
    EXPECT_FALSE(orphan.Initialize(&grid));
    ASSERT_TRUE(start(false));
    spray->Update(10.0, 0.0f, nullptr);
    EXPECT_TRUE(spray->GetEmittedPoints().empty());
    EXPECT_EQ(spray->GetParticleSystem()->GetLastEmissionTime(), 0.0);

    // Gerstner water: the grid's model finds no breaking waves.
    ASSERT_TRUE(start());
    Maris::ProjectedGrid gerstnerGrid(false);
    gerstnerGrid.SetWaterModel(new Maris::GerstnerWaterModel(&scene->environment()));
    Maris::SprayManagerOpenGL calm(&scene->environment());
    ASSERT_TRUE(calm.Initialize(&gerstnerGrid));
    calm.Update(10.0, 0.0f, nullptr);
    EXPECT_TRUE(calm.GetEmittedPoints().empty());

    // Every breaking point of the nine tiles in view emits with a sparsity of one.
    Maris::Configuration::SetConfigEntry("fft-spray-sparsity", "1");
    ASSERT_TRUE(start());
    spray->Update(10.0, 0.0f, nullptr);
    const Maris::Vector<Maris::Vector3>& points = spray->GetEmittedPoints();
    ASSERT_EQ(points.size(), 18u) << "2 points in each of 9 tiles";
    EXPECT_EQ(spray->GetParticleSystem()->GetLastEmissionTime(), 10.0);
    // Each point is at its breaker's place in some tile, a little ahead and below the crest.
    for (const Maris::Vector3& p : points) {
        const double x = std::fmod(p.x + 1000.0, 100.0);
        const double y = std::fmod(p.y + 1000.0, 100.0);
        const bool first = std::fabs(x - 10.0) < 1.0 && std::fabs(y - 20.0) < 1e-6;
        const bool second = std::fabs(x - 60.0) < 1.0 && std::fabs(y - 70.0) < 1e-6;
        EXPECT_TRUE(first || second) << p.x << ", " << p.y;
        EXPECT_LT(p.z, first ? 0.0 : 0.3);
    }
    // A box keeps only what lies inside it.
    const double box[6] = {0.0, 0.0, -10.0, 100.0, 100.0, 10.0};
    spray->Update(11.0, 0.0f, box);
    EXPECT_EQ(spray->GetEmittedPoints().size(), 2u);

    // Nor is anything thrown while the camera is beyond the cull distance.
    Maris::Configuration::SetConfigEntry("fft-spray-cull-distance", "400");
    ASSERT_TRUE(start());
    spray->Update(12.0, 0.0f, nullptr);
    EXPECT_TRUE(spray->GetEmittedPoints().empty()) << "500 above the sea";
    scene->lookAt(Maris::Vector3(50.0, 50.0, 300.0), Maris::Vector3(50.0, 50.0, 0.0), 120.0);
    spray->Update(13.0, 0.0f, nullptr);
    EXPECT_FALSE(spray->GetEmittedPoints().empty());
}
