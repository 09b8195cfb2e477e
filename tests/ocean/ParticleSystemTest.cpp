#include "OceanScene.h"

#include "core/Configuration.h"
#include "opengl/OpenGLEntryPoints.h"
#include "opengl/ParticleShaderProgram.h"
#include "spray/ParticleSystemManager.h"
#include "opengl/ParticleSystemOpenGL.h"
#include "grid/ProjectedGrid.h"
#include "opengl/ParticleVertex.h"
#include "opengl/SprayTexture.h"

#include <gtest/gtest.h>
// After the test framework: X11's None macro would clash with its names.
#include <GL/glx.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

// The particle systems only keep the grid they are given.
Maris::ProjectedGrid* someGrid()
{
    static Maris::ProjectedGrid grid(false);
    return &grid;
}

// A particle program and the spray texture built as the spray manager builds them.
struct ParticleResources
{
    Maris::ParticleShaderProgram shaders;
    std::uint32_t texture = 0;

    bool build(Maris::Environment& environment)
    {
        const char* preamble =
            Maris::ParticleShaderPreamble(environment.GetRenderer(), Maris::UseParticlePointSprites());
        if (!Maris::BuildParticleShaderProgram(&environment, preamble, "test: ", shaders))
            return false;
        texture = Maris::CreateSprayTexture(&environment);
        return texture != 0;
    }
    ~ParticleResources()
    {
        Maris::DeleteParticleShaderProgram(shaders);
        if (texture)
            glDeleteTextures(1, &texture);
    }
};

std::vector<Maris::ParticleVertex> readVertices(const Maris::ParticleSystemOpenGL& system)
{
    const std::size_t count =
        static_cast<std::size_t>(system.GetCapacity()) * system.GetVerticesPerParticle();
    std::vector<Maris::ParticleVertex> vertices(count);
    Maris::glBindBuffer(GL_ARRAY_BUFFER, system.GetVertexBuffer());
    const void* mapped = Maris::glMapBuffer(GL_ARRAY_BUFFER, GL_READ_ONLY);
    if (mapped)
        std::memcpy(vertices.data(), mapped, count * sizeof(Maris::ParticleVertex));
    Maris::glUnmapBuffer(GL_ARRAY_BUFFER);
    Maris::glBindBuffer(GL_ARRAY_BUFFER, 0);
    return vertices;
}

GLint bufferSize(std::uint32_t buffer)
{
    // Not among the library's entry points; fetched here for the check.
    const auto getParameter = reinterpret_cast<PFNGLGETBUFFERPARAMETERIVPROC>(
        glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glGetBufferParameteriv")));
    GLint size = 0;
    Maris::glBindBuffer(GL_ARRAY_BUFFER, buffer);
    getParameter(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
    Maris::glBindBuffer(GL_ARRAY_BUFFER, 0);
    return size;
}

float viewportWidth()
{
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    return static_cast<float>(viewport[2]);
}

// The sum of the red channel over the whole drawable after clearing to black and drawing.
template <typename DrawFunction>
long brightnessAfter(DrawFunction draw)
{
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    draw();
    glFinish();
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    std::vector<unsigned char> pixels(static_cast<std::size_t>(viewport[2]) * viewport[3] * 4);
    glReadPixels(0, 0, viewport[2], viewport[3], GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    long sum = 0;
    for (std::size_t i = 0; i < pixels.size(); i += 4)
        sum += pixels[i];
    return sum;
}

class ParticleSystemTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Maris::ParticleSystem::ResetReferenceTime();
        ASSERT_TRUE(scene.ready()) << scene.failure();
        scene.lookAt(Maris::Vector3(0.0, -100.0, 30.0), Maris::Vector3(0.0, 0.0, 0.0), 90.0);
        ASSERT_TRUE(resources.build(scene.environment()));
    }

    OceanScene scene{OceanScene::shippedOptions()};
    ParticleResources resources;
};

} // namespace

TEST(ParticleBurst, EndsWhenTheParticleFallsBackToTheSea)
{
    // 2 units up, no upward speed, 1 metre per unit: 2 = 4.905 t^2.
    EXPECT_NEAR(Maris::ParticleSystem::BurstEndTime(0.0, 2.0, 0.0, 9.81, 1.0),
                std::sqrt(2.0 / 4.905), 1e-12);
    EXPECT_NEAR(Maris::ParticleSystem::BurstEndTime(0.0, 2.0, 0.0, 9.81, 1.0), 0.639, 0.0005);
    // The end time counts from the burst's start.
    EXPECT_NEAR(Maris::ParticleSystem::BurstEndTime(100.0, 2.0, 0.0, 9.81, 1.0),
                100.0 + std::sqrt(2.0 / 4.905), 1e-9);
    // Thrown up from the sea, it is back after 2 v / g.
    EXPECT_NEAR(Maris::ParticleSystem::BurstEndTime(0.0, 0.0, 4.905, 9.81, 1.0), 1.0, 1e-12);
    // With two metres per unit gravity is half as many units per second squared.
    EXPECT_NEAR(Maris::ParticleSystem::BurstEndTime(0.0, 2.0, 0.0, 9.81, 2.0),
                std::sqrt(2.0 / 2.4525), 1e-12);
    // Below the sea and falling: the quadratic has no real root.
    EXPECT_EQ(Maris::ParticleSystem::BurstEndTime(5.0, -2.0, -1.0, 9.81, 1.0), 0.0);
}

TEST_F(ParticleSystemTest, EmissionWrapsTheRingLeavingTheLastSlotsUnwritten)
{
    Maris::ParticleSystemOpenGL system(&scene.environment());
    ASSERT_TRUE(system.Initialize(resources.texture, resources.shaders.program, 10000, someGrid()));
    const std::uint32_t perParticle = system.GetVerticesPerParticle();
    EXPECT_EQ(bufferSize(system.GetVertexBuffer()), static_cast<GLint>(10000 * perParticle * 48));
    const Maris::Vector3 up(0.0, 0.0, 1.0);

    const Maris::Vector<Maris::Vector3> first(9995, Maris::Vector3());
    ASSERT_TRUE(system.Emit(1.0, first, up, 0.0, 1.0, 0.0, 0.0, 1.0, 0.0));
    EXPECT_EQ(system.GetNextSlot(), 9995u);

    Maris::Vector<Maris::Vector3> ten(10, Maris::Vector3(5.0, 0.0, 0.0));
    ASSERT_TRUE(system.Emit(2.0, ten, up, 0.0, 1.0, 0.0, 0.0, 2.0, 0.0));
    EXPECT_EQ(system.GetNextSlot(), 0u) << "the next emission starts over";

    const float width = viewportWidth();
    std::vector<Maris::ParticleVertex> vertices = readVertices(system);
    for (std::uint32_t slot = 9995; slot <= 9998; ++slot) {
        const Maris::ParticleVertex& vertex = vertices[slot * perParticle];
        EXPECT_FLOAT_EQ(vertex.size, 2.0f * width) << "slot " << slot;
        EXPECT_FLOAT_EQ(vertex.initialPosition[0], 5.0f) << "slot " << slot;
        EXPECT_FLOAT_EQ(vertex.startTime, 1.0f) << "relative to the first emission";
    }
    EXPECT_EQ(vertices[9999 * perParticle].size, 0.0f) << "capacity - next - 1 = 4 written";
    EXPECT_FLOAT_EQ(vertices[9994 * perParticle].size, 1.0f * width);
    EXPECT_FLOAT_EQ(vertices[0].size, 1.0f * width) << "the wrap writes nothing at slot 0";

    Maris::Vector<Maris::Vector3> three(3, Maris::Vector3(7.0, 0.0, 0.0));
    ASSERT_TRUE(system.Emit(3.0, three, up, 0.0, 1.0, 0.0, 0.0, 3.0, 0.0));
    EXPECT_EQ(system.GetNextSlot(), 3u);
    vertices = readVertices(system);
    for (std::uint32_t slot = 0; slot < 3; ++slot)
        EXPECT_FLOAT_EQ(vertices[slot * perParticle].size, 3.0f * width) << "slot " << slot;
    EXPECT_FLOAT_EQ(vertices[3 * perParticle].size, 1.0f * width);
}

TEST_F(ParticleSystemTest, EmittedParticlesFollowTheirDraws)
{
    Maris::ParticleSystemOpenGL system(&scene.environment());
    ASSERT_TRUE(system.Initialize(resources.texture, resources.shaders.program, 50, someGrid()));
    Maris::Vector<Maris::Vector3> points;
    for (int i = 0; i < 40; ++i)
        points.push_back(Maris::Vector3(i * 10.0, 0.0, 0.0));
    ASSERT_TRUE(system.Emit(4.0, points, Maris::Vector3(0.0, 0.0, 1.0), 0.2, 3.0, 1.0, 0.5, 2.0, 0.5));

    const float width = viewportWidth();
    const std::vector<Maris::ParticleVertex> vertices = readVertices(system);
    const std::uint32_t perParticle = system.GetVerticesPerParticle();
    for (int i = 0; i < 40; ++i) {
        const Maris::ParticleVertex& v = vertices[i * perParticle];
        EXPECT_NEAR(v.initialPosition[0], i * 10.0, 0.5 + 1e-4);
        EXPECT_NEAR(v.initialPosition[2], 0.0, 0.5 + 1e-4);
        const double speed = std::sqrt(v.initialVelocity[0] * v.initialVelocity[0] +
                                       v.initialVelocity[1] * v.initialVelocity[1] +
                                       v.initialVelocity[2] * v.initialVelocity[2]);
        EXPECT_GE(speed, 2.0 - 1e-4);
        EXPECT_LE(speed, 4.0 + 1e-4);
        EXPECT_GT(v.initialVelocity[2], 0.0f) << "the direction varies by 0.2 around up";
        EXPECT_GE(v.size, 1.5f * width - 1e-3f);
        EXPECT_LE(v.size, 2.5f * width + 1e-3f);
    }
}

TEST_F(ParticleSystemTest, BurstFillsEverySlotFromOnePointAndSetsItsEnd)
{
    Maris::ParticleSystemOpenGL system(&scene.environment());
    ASSERT_TRUE(system.Initialize(resources.texture, resources.shaders.program, 64, someGrid()));
    const Maris::Vector3 origin(10.0, 20.0, 0.0);
    ASSERT_TRUE(system.Start(50.0, Maris::Vector3(0.0, 0.0, 1.0), 0.0, 0.0, 0.0, origin, 2.0, 1.0,
                             0.0));
    // Gravity is kept in single precision.
    EXPECT_NEAR(system.GetEndTime(), 50.0 + std::sqrt(2.0 / 4.905), 1e-6);
    EXPECT_EQ(system.GetLastEmissionTime(), 50.0);

    const std::vector<Maris::ParticleVertex> vertices = readVertices(system);
    bool spread = false;
    for (std::uint32_t i = 0; i < 64; ++i) {
        const Maris::ParticleVertex& v = vertices[i * system.GetVerticesPerParticle()];
        // The random offsets stay in the horizontal plane.
        EXPECT_FLOAT_EQ(v.initialPosition[2], 0.0f);
        EXPECT_NEAR(v.initialPosition[0], 10.0, 2.0 + 1e-4);
        EXPECT_NEAR(v.initialPosition[1], 20.0, 2.0 + 1e-4);
        spread = spread || std::fabs(v.initialPosition[0] - 10.0f) > 0.1f;
        EXPECT_GT(v.size, 0.0f);
    }
    EXPECT_TRUE(spread);
}

TEST_F(ParticleSystemTest, ForcedPointSpritesUseOneVertexPerParticle)
{
    Maris::Configuration::SetConfigEntry("spray-force-point-sprites", "true");
    ParticleResources sprites;
    ASSERT_TRUE(sprites.build(scene.environment()));
    Maris::ParticleSystemOpenGL system(&scene.environment());
    ASSERT_TRUE(system.Initialize(sprites.texture, sprites.shaders.program, 100, someGrid()));
    EXPECT_TRUE(system.UsesPointSprites());
    EXPECT_EQ(system.GetVerticesPerParticle(), 1u);
}

TEST_F(ParticleSystemTest, InitializeRefusesMissingPieces)
{
    Maris::ParticleSystemOpenGL system(&scene.environment());
    EXPECT_FALSE(system.Initialize(0, resources.shaders.program, 10, someGrid()));
    EXPECT_FALSE(system.Initialize(resources.texture, 0, 10, someGrid()));
    EXPECT_FALSE(system.Initialize(resources.texture, resources.shaders.program, 10, nullptr));
}

TEST_F(ParticleSystemTest, BurstIsDrawnUntilItsEndTimeOnly)
{
    scene.lookAt(Maris::Vector3(0.0, -20.0, 3.0), Maris::Vector3(0.0, 0.0, 2.0), 90.0);
    Maris::ParticleSystemManager manager;
    Maris::ParticleSystemOpenGL* system = new Maris::ParticleSystemOpenGL(&scene.environment());
    manager.AddParticleSystem(system);
    ASSERT_TRUE(system->Initialize(resources.texture, resources.shaders.program, 200, someGrid()));
    ASSERT_TRUE(system->Start(0.0, Maris::Vector3(0.0, 0.0, 1.0), 0.3, 5.0, 1.0,
                              Maris::Vector3(0.0, 0.0, 0.0), 2.0, 4.0, 0.0));
    ASSERT_GT(system->GetEndTime(), 1.0);

    const long empty = brightnessAfter([] {});
    const long flying = brightnessAfter([&] { manager.Update(0.3); });
    const long ended = brightnessAfter([&] { manager.Update(system->GetEndTime() + 0.01); });
    EXPECT_EQ(empty, 0);
    EXPECT_GT(flying, 255) << "the burst lights the view while it flies";
    EXPECT_EQ(ended, 0) << "past its end time the system is not drawn";
    EXPECT_EQ(manager.GetParticleSystems().size(), 1u) << "spent systems stay for reuse";
    EXPECT_TRUE(scene.messages().texts().empty());
}
