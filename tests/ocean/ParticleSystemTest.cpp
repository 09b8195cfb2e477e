#include "OceanScene.h"

#include "core/Configuration.h"
#include "core/SprayPositionSource.h"
#include "grid/ProjectedGrid.h"
#include "opengl/OpenGLEntryPoints.h"
#include "opengl/ParticleShaderProgram.h"
#include "opengl/ParticleSystemOpenGL.h"
#include "opengl/ParticleVertex.h"
#include "opengl/SprayManagerOpenGL.h"
#include "opengl/SprayTexture.h"
#include "waves/GerstnerWaterModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

// Every preamble the renderers choose, with the renderer that uses it.
struct PreambleCase
{
    Maris::Renderer renderer;
    bool pointSprites;
    const char* name;
};

bool contains(const std::vector<std::string>& texts, const std::string& wanted)
{
    return std::any_of(texts.begin(), texts.end(), [&](const std::string& text) {
        return text.find(wanted) != std::string::npos;
    });
}

// The particle program and spray texture as the spray manager builds them; quads by default.
class ParticleShaderPreambles : public ::testing::TestWithParam<PreambleCase>
{
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(build(GetParam())); }
    void build(const PreambleCase& c)
    {
        Maris::ParticleSystem::ResetReferenceTime();
        scene = std::make_unique<OceanScene>(OceanScene::shippedOptions(c.renderer));
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
    void TearDown() override
    {
        Maris::DeleteParticleShaderProgram(shaders);
        if (texture)
            glDeleteTextures(1, &texture);
    }

    bool initialize(Maris::ParticleSystemOpenGL& system, std::uint32_t capacity)
    {
        return system.Initialize(texture, shaders.program, capacity, &grid);
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

TEST_P(ParticleShaderPreambles, CompileLinkAndOfferEveryParticleInput)
{
    // The particle system finds the uniforms and attributes of its layout, and draws.
    Maris::ParticleSystemOpenGL system(&scene->environment());
    EXPECT_TRUE(initialize(system, 16));
    EXPECT_EQ(system.GetVerticesPerParticle() == 1u, GetParam().pointSprites);
    system.Draw(1.0);
    EXPECT_TRUE(scene->messages().texts().empty())
        << ::testing::PrintToString(scene->messages().texts());
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
    const GLuint program = linkTestProgram(
        "#version 120\nattribute vec3 initialPosition;\n"
        "void main() { gl_Position = vec4(initialPosition, 1.0); }\n",
        "#version 120\nvoid main() { gl_FragColor = vec4(1.0); }\n");
    ASSERT_NE(program, 0u);
    EXPECT_FALSE(system.Initialize(texture, program, 8, &grid));
    EXPECT_EQ(scene->messages().texts(),
              std::vector<std::string>{"Expected particle uniforms not found."});
    Maris::glDeleteProgram(program);

    // Compile errors name their manager, and the link failure is reported.
    scene->resources().write("particle.glsl", "void main() { this is not glsl; }\n");
    Maris::ParticleShaderProgram broken;
    EXPECT_FALSE(Maris::BuildParticleShaderProgram(&scene->environment(), "#version 120\n",
                                                   "GLSL error detected in spray manager!\n",
                                                   broken));
    EXPECT_EQ(broken.program, 0u);
    EXPECT_TRUE(contains(scene->messages().texts(), "GLSL error detected in spray manager!\n"));
    EXPECT_TRUE(contains(scene->messages().texts(),
                         "Failed to link particle shader program for OpenGL."));
}

// Particles keep within their variations; what does not fit is dropped and the next starts over.
TEST_F(ParticleSystemTest, EmittedParticlesStayWithinTheirVariationsAndWrapRoundTheBuffer)
{
    Maris::ParticleSystemOpenGL system(&scene->environment());
    ASSERT_TRUE(initialize(system, 50));
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

TEST_F(SprayManagerTest, NothingIsThrownWithoutGridOrEnvironmentUnlessEnabledAndWavesBreak)
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
}

TEST_F(SprayManagerTest, EveryBreakingPointOfTheNineTilesInViewEmitsWithSparsityOne)
{
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
