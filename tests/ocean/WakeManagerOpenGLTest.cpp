#include "OceanScene.h"
#include "TemporaryDirectory.h"

#include "core/Configuration.h"
#include "opengl/OpenGLEntryPoints.h"
#include "spray/ParticleSystemManager.h"
#include "opengl/ParticleSystemOpenGL.h"
#include "grid/ProjectedGrid.h"
#include "opengl/WakeManagerOpenGL.h"
#include <Maris/WakeSource.h>

#include <gtest/gtest.h>
// After the test framework: X11's None macro would clash with its names.
#include <GL/glx.h>

#include <cmath>
#include <cstdio>
#include <string>

namespace {

const char* const wakeVertexShader = R"(#version 120
#define MAX_WAKE_WAVES 25
struct Wake {
    float amplitude;
    float radius;
    float k;
    float halfWavelength;
    vec3 position;
    float washWidth;
    vec3 deltaPos;
    int number;
    int hasPropWash;
    vec3 propPosition;
};
uniform Wake wakes[MAX_WAKE_WAVES];
uniform int doWakes;
uniform float washLength;
attribute vec2 vertex;
void main()
{
    vec3 sum = vec3(0.0);
    for (int i = 0; i < MAX_WAKE_WAVES; ++i) {
        sum += wakes[i].position + wakes[i].deltaPos + wakes[i].propPosition;
        sum.x += wakes[i].amplitude + wakes[i].radius + wakes[i].k + wakes[i].halfWavelength +
                 wakes[i].washWidth + float(wakes[i].number + wakes[i].hasPropWash);
    }
    gl_Position = vec4(vertex, sum.x * float(doWakes) * washLength, 1.0) + vec4(sum, 0.0);
}
)";

GLuint buildWakeProgram()
{
    return linkTestProgram(wakeVertexShader, "#version 120\nvoid main() { gl_FragColor = vec4(1.0); }\n");
}

// Reads uniforms back, for the checks only.
struct UniformReader
{
    explicit UniformReader(GLuint programIn) : program(programIn) {}

    PFNGLGETUNIFORMFVPROC getFloats = reinterpret_cast<PFNGLGETUNIFORMFVPROC>(
        glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glGetUniformfv")));
    PFNGLGETUNIFORMIVPROC getInts = reinterpret_cast<PFNGLGETUNIFORMIVPROC>(
        glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glGetUniformiv")));
    GLuint program;

    GLint location(const std::string& name) const
    {
        return Maris::glGetUniformLocation(program, name.c_str());
    }
    float floatValue(const std::string& name) const
    {
        float value[4] = {-99.0f};
        getFloats(program, location(name), value);
        return value[0];
    }
    Maris::Vector3 vectorValue(const std::string& name) const
    {
        float value[4] = {-99.0f, -99.0f, -99.0f};
        getFloats(program, location(name), value);
        return Maris::Vector3(value[0], value[1], value[2]);
    }
    int intValue(const std::string& name) const
    {
        GLint value[4] = {-99};
        getInts(program, location(name), value);
        return value[0];
    }
};

std::string slot(int index, const char* field)
{
    char name[64];
    std::snprintf(name, sizeof(name), "wakes[%d].%s", index, field);
    return name;
}

// Fills every wake field with a value no set-up would write.
void scribble(GLuint program, int slots)
{
    Maris::glUseProgram(program);
    const char* floats[] = {"amplitude", "radius", "k", "halfWavelength", "washWidth"};
    const char* vectors[] = {"position", "deltaPos", "propPosition"};
    const char* ints[] = {"number", "hasPropWash"};
    for (int i = 0; i < slots; ++i) {
        for (const char* f : floats)
            Maris::glUniform1f(Maris::glGetUniformLocation(program, slot(i, f).c_str()), 7.0f);
        for (const char* v : vectors)
            Maris::glUniform3f(Maris::glGetUniformLocation(program, slot(i, v).c_str()), 7.0f, 7.0f,
                               7.0f);
        for (const char* n : ints)
            Maris::glUniform1i(Maris::glGetUniformLocation(program, slot(i, n).c_str()), 7);
    }
    Maris::glUniform1i(Maris::glGetUniformLocation(program, "doWakes"), 7);
}

void expectEmptySlots(const UniformReader& read, int from, int to)
{
    for (int i = from; i < to; ++i) {
        EXPECT_EQ(read.floatValue(slot(i, "amplitude")), 0.0f) << i;
        EXPECT_EQ(read.floatValue(slot(i, "radius")), 0.0f) << i;
        EXPECT_EQ(read.floatValue(slot(i, "k")), 0.0f) << i;
        EXPECT_EQ(read.floatValue(slot(i, "halfWavelength")), 0.0f) << i;
        EXPECT_EQ(read.floatValue(slot(i, "washWidth")), 0.0f) << i;
        EXPECT_EQ(read.vectorValue(slot(i, "position")), Maris::Vector3()) << i;
        EXPECT_EQ(read.vectorValue(slot(i, "deltaPos")), Maris::Vector3(1.0, 0.0, 0.0)) << i;
        EXPECT_EQ(read.vectorValue(slot(i, "propPosition")), Maris::Vector3()) << i;
        EXPECT_EQ(read.intValue(slot(i, "number")), 0) << i;
        EXPECT_EQ(read.intValue(slot(i, "hasPropWash")), 0) << i;
    }
}

class WakeManagerOpenGLTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(scene.ready()) << scene.failure();
        mainProgram = buildWakeProgram();
        patchProgram = buildWakeProgram();
        ASSERT_NE(mainProgram, 0u);
        ASSERT_NE(patchProgram, 0u);
        grid.reset(new Maris::ProjectedGrid(false));
        scene.lookAt(Maris::Vector3(0.0, -100.0, 30.0), Maris::Vector3(0.0, 0.0, 0.0), 90.0);
    }
    void TearDown() override
    {
        Maris::glUseProgram(0);
        Maris::glDeleteProgram(mainProgram);
        Maris::glDeleteProgram(patchProgram);
    }

    OceanScene scene{OceanScene::shippedOptions()};
    GLuint mainProgram = 0;
    GLuint patchProgram = 0;
    std::unique_ptr<Maris::ProjectedGrid> grid;
    Maris::ParticleSystemManager particles;
};

} // namespace

TEST_F(WakeManagerOpenGLTest, InitializeCreatesTheSpraySystemsForTheParticleManager)
{
    Maris::WakeManagerOpenGL manager(1.0, &particles);
    ASSERT_TRUE(manager.Initialize(grid.get(), Maris::Matrix3(), &scene.environment(),
                                   mainProgram, patchProgram))
        << ::testing::PrintToString(scene.messages().texts());
    EXPECT_NE(manager.GetParticleProgram(), 0u);
    EXPECT_NE(manager.GetSprayTexture(), 0u);
    EXPECT_EQ(manager.GetMaxShaderWaves(), 25u);
    ASSERT_EQ(particles.GetParticleSystems().size(), 10u);
    std::uint32_t index = 0;
    for (Maris::ParticleSystem* system : particles.GetParticleSystems()) {
        EXPECT_EQ(system, manager.GetSpraySystem(index++)) << "handed over in order";
        auto* gl = dynamic_cast<Maris::ParticleSystemOpenGL*>(system);
        ASSERT_NE(gl, nullptr);
        EXPECT_EQ(gl->GetEndTime(), 0.0) << "not started: not drawn";
    }
    EXPECT_TRUE(scene.messages().texts().empty());
}

TEST_F(WakeManagerOpenGLTest, EleventhSprayRequestReusesTheFirstSystem)
{
    Maris::WakeManagerOpenGL manager(1.0, &particles);
    ASSERT_TRUE(manager.Initialize(grid.get(), Maris::Matrix3(), &scene.environment(),
                                   mainProgram, patchProgram));
    for (int i = 1; i <= 11; ++i) {
        Maris::WakeSprayRequest request;
        request.position = Maris::Vector3(i * 10.0, 0.0, 0.0);
        request.speed = 4.0;
        request.time = 100.0 + i;
        request.size = 2.0;
        request.transparency = 0.1f * i;
        request.positionVariance = 1.0;
        manager.AddSprayRequest(request);
    }
    manager.Update(Maris::Vector3(), 112.0);
    EXPECT_TRUE(manager.GetSprayRequests().empty());
    EXPECT_EQ(manager.GetNextSpraySystem(), 1u);
    EXPECT_EQ(manager.GetSpraySystem(0)->GetLastEmissionTime(), 111.0) << "started again";
    EXPECT_FLOAT_EQ(manager.GetSpraySystem(0)->GetTransparency(), 1.1f);
    for (std::uint32_t i = 1; i < 10; ++i) {
        EXPECT_EQ(manager.GetSpraySystem(i)->GetLastEmissionTime(), 101.0 + i) << i;
        // Each burst ends when its fastest particle falls back (speed plus 20 % variation).
        EXPECT_NEAR(manager.GetSpraySystem(i)->GetEndTime(),
                    Maris::ParticleSystem::BurstEndTime(101.0 + i, 1.0, 4.8, 9.81, 1.0), 1e-5);
    }
}

TEST_F(WakeManagerOpenGLTest, WithoutWavesEverySlotIsEmptyAndWakesAreOff)
{
    Maris::WakeManagerOpenGL manager(1.0, &particles);
    ASSERT_TRUE(manager.Initialize(grid.get(), Maris::Matrix3(), &scene.environment(),
                                   mainProgram, patchProgram));
    for (GLuint program : {mainProgram, patchProgram}) {
        scribble(program, 25);
        manager.Update(scene.environment().GetCameraPosition(), 1.0);
        Maris::glUseProgram(program);
        EXPECT_TRUE(program == mainProgram ? manager.PrepareShader(&scene.environment())
                                           : manager.PreparePatchShader(&scene.environment()));
        const UniformReader read(program);
        EXPECT_EQ(read.intValue("doWakes"), 0);
        expectEmptySlots(read, 0, 25);
    }
    EXPECT_FALSE(manager.PrepareShader(nullptr));
    EXPECT_TRUE(scene.messages().texts().empty());
}

TEST_F(WakeManagerOpenGLTest, VisibleRingsFillTheSlotsAndTheRestAreReset)
{
    Maris::Configuration::SetConfigEntry("wake-wash-length", "600");
    Maris::WakeManagerOpenGL manager(2.0, &particles);
    ASSERT_TRUE(manager.Initialize(grid.get(), Maris::Matrix3(), &scene.environment(),
                                   mainProgram, patchProgram));
    Maris::WakeSource boat(&manager, 40.0, 8.0);
    boat.SetPropellerWash(true);

    Maris::WakeWave still;
    still.persistent = true;
    still.amplitude = 0.8;
    still.radius = 12.0;
    still.wavelength = 20.0;
    still.position = Maris::Vector3(3.0, 4.0, 0.0);
    still.propellerPosition = Maris::Vector3(1.0, 2.0, 0.0);
    still.number = 7;
    manager.AddWave(still);

    Maris::WakeWave washed;
    washed.birthTime = 0.0;
    washed.wavelength = 10.0;
    washed.expansionSpeed = 2.0;
    washed.sizeA = 20.0;
    washed.sizeB = 4.0;
    washed.maximumRadius = 1000.0;
    washed.position = Maris::Vector3(-6.0, 8.0, 0.0);
    washed.propellerPosition = Maris::Vector3(-8.0, 8.0, 0.0);
    washed.number = 0;
    washed.source = &boat;
    manager.AddWave(washed);

    // Far behind the camera: culled, and its slot goes to no one.
    Maris::WakeWave behind = still;
    behind.position = Maris::Vector3(0.0, -5000.0, 0.0);
    behind.amplitude = 0.3;
    manager.AddWave(behind);

    scribble(mainProgram, 25);
    manager.Update(scene.environment().GetCameraPosition(), 3.0);
    Maris::glUseProgram(mainProgram);
    ASSERT_TRUE(manager.PrepareShader(&scene.environment()));
    EXPECT_EQ(manager.GetWavesSet(), 2u);

    const UniformReader read(mainProgram);
    EXPECT_EQ(read.intValue("doWakes"), 1);
    // Slots left from an earlier frame would draw rings that are gone.
    expectEmptySlots(read, 2, 25);
}

TEST_F(WakeManagerOpenGLTest, OnlyAsManyRingsAsSlotsReachTheShader)
{
    Maris::Configuration::SetConfigEntry("max-wake-waves-opengl", "4");
    Maris::WakeManagerOpenGL manager(1.0, &particles);
    ASSERT_TRUE(manager.Initialize(grid.get(), Maris::Matrix3(), &scene.environment(),
                                   mainProgram, patchProgram));
    EXPECT_EQ(manager.GetMaxShaderWaves(), 4u);
    for (int i = 0; i < 9; ++i) {
        Maris::WakeWave wave;
        wave.persistent = true;
        wave.amplitude = 0.1 * (i + 1);
        wave.radius = 5.0;
        wave.wavelength = 8.0;
        wave.position = Maris::Vector3(i * 4.0 - 16.0, 0.0, 0.0);
        manager.AddWave(wave);
    }
    scribble(mainProgram, 25);
    manager.Update(scene.environment().GetCameraPosition(), 1.0);
    Maris::glUseProgram(mainProgram);
    ASSERT_TRUE(manager.PrepareShader(&scene.environment()));
    EXPECT_EQ(manager.GetWavesSet(), 4u);
    const UniformReader read(mainProgram);
    for (int i = 0; i < 4; ++i)
        EXPECT_GT(read.floatValue(slot(i, "amplitude")), 0.0f) << i;
    // Slots past the configured count are not the manager's: left as they were.
    EXPECT_EQ(read.floatValue(slot(4, "amplitude")), 7.0f);
}

TEST_F(WakeManagerOpenGLTest, InitializeFailsWithoutTheSprayTexture)
{
    TemporaryDirectory directory;
    directory.write("Maris.config", "\n");
    for (const char* name : {"particle.glsl", "particle-frag.glsl"}) {
        std::FILE* in = std::fopen((std::string(MARIS_RESOURCES_DIR) + "/" + name).c_str(), "rb");
        ASSERT_NE(in, nullptr);
        std::string text;
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof(buffer), in)) > 0;)
            text.append(buffer, n);
        std::fclose(in);
        directory.write(name, text);
    }
    Maris::ResourceLoader loader(directory.path().c_str(), false);
    Maris::Environment bare;
    ASSERT_EQ(bare.Initialize(Maris::FlatZUp, Maris::OpenGL2, &loader, nullptr, false),
              Maris::EnvironmentInitialized);
    Maris::WakeManagerOpenGL manager(1.0, &particles);
    EXPECT_FALSE(
        manager.Initialize(grid.get(), Maris::Matrix3(), &bare, mainProgram, patchProgram));
    bool reported = false;
    for (const std::string& text : scene.messages().texts())
        reported = reported || text == "Couldn't load spray texture";
    EXPECT_TRUE(reported);
    EXPECT_TRUE(particles.GetParticleSystems().empty());
}
