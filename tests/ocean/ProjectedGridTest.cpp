#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include "SurfaceScene.h"

#include "opengl/GerstnerWaterModelOpenGL.h"
#include "opengl/OceanLightingModelOpenGL.h"
#include "opengl/OpenGLEntryPoints.h"
#include "opengl/ProjectedGridOpenGL.h"

#include <gtest/gtest.h>
// After the test framework: the X headers define macros such as None.
#include <GL/glx.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<float> uniformFloats(GLuint program, const char* name, int count)
{
    std::vector<float> values(static_cast<std::size_t>(count), -12345.0f);
    glGetUniformfv(program, Maris::glGetUniformLocation(program, name), values.data());
    return values;
}

// A grid with both models attached, as the ocean wires it.
struct DrawnGrid
{
    explicit DrawnGrid(SurfaceScene& scene, std::uint32_t resolution = 64)
    {
        ready = grid.Initialize(&scene.environment(), Maris::GerstnerWaves, resolution);
        if (!ready)
            return;
        auto* model = new Maris::GerstnerWaterModelOpenGL(&scene.environment());
        auto* lighting = new Maris::OceanLightingModelOpenGL(&scene.environment());
        ready = model->Initialize(grid.GetShader(), 0, false) &&
                lighting->Initialize(grid.GetShader(), 0);
        grid.SetWaterModel(model);
        grid.SetLightingModel(lighting);
    }
    Maris::ProjectedGridOpenGL grid{false};
    bool ready = false;
};

} // namespace

TEST(ProjectedGridBuffers, ResolutionFiveHundredTwelveGivesItsVertexAndIndexCounts)
{
    SurfaceScene scene;
    ASSERT_TRUE(scene.ready()) << scene.failure();
    Maris::ProjectedGridOpenGL grid(false);
    ASSERT_TRUE(grid.Initialize(&scene.environment(), Maris::GerstnerWaves, 512));
    EXPECT_EQ(grid.GetIndexCount(), 524286u);
    GLint bytes = 0;
    glBindBuffer(GL_ARRAY_BUFFER, grid.GetVertexBuffer());
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &bytes);
    EXPECT_EQ(bytes, 262144 * 2 * 4);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, grid.GetIndexBuffer());
    glGetBufferParameteriv(GL_ELEMENT_ARRAY_BUFFER, GL_BUFFER_SIZE, &bytes);
    EXPECT_EQ(bytes, 524286 * 4);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

TEST(ProjectedGridBuffers, ThreeByThreeGridIsOneStripWithDegenerateJoins)
{
    SurfaceScene scene;
    ASSERT_TRUE(scene.ready()) << scene.failure();
    Maris::ProjectedGridOpenGL grid(false);
    ASSERT_TRUE(grid.Initialize(&scene.environment(), Maris::GerstnerWaves, 3));
    ASSERT_EQ(grid.GetIndexCount(), 16u);
    std::vector<std::uint32_t> indices(16);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, grid.GetIndexBuffer());
    glGetBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, 64, indices.data());
    EXPECT_EQ(indices, (std::vector<std::uint32_t>{0, 0, 3, 1, 4, 2, 5, 5, 3, 3, 6, 4, 7, 5, 8, 8}));
    std::vector<float> vertices(18);
    glBindBuffer(GL_ARRAY_BUFFER, grid.GetVertexBuffer());
    glGetBufferSubData(GL_ARRAY_BUFFER, 0, 72, vertices.data());
    EXPECT_EQ(vertices, (std::vector<float>{-1, -1, -1, 0, -1, 1, 0, -1, 0, 0, 0, 1, 1, -1, 1, 0, 1, 1}));
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

TEST(ProjectedGridUniforms, CameraOnTheSeaLevelRaisesThePlaneByATenth)
{
    SurfaceScene scene;
    ASSERT_TRUE(scene.ready()) << scene.failure();
    DrawnGrid sea(scene);
    ASSERT_TRUE(sea.ready) << ::testing::PrintToString(scene.messages().texts());
    const GLuint program = sea.grid.GetShader();

    scene.environment().SetSeaLevel(2.0);
    scene.lookAt(Maris::Vector3(0, 0, 30), Maris::Vector3(0, 100, 0));
    scene.clear(0, 0, 0);
    sea.grid.Draw(1.0, true);
    std::vector<float> plane = uniformFloats(program, "plane", 4);
    EXPECT_EQ(plane, (std::vector<float>{0, 0, 1, -2.0f}));
    EXPECT_FLOAT_EQ(uniformFloats(program, "seaLevel", 1)[0], 2.0f);

    scene.lookAt(Maris::Vector3(0, 0, 2), Maris::Vector3(0, 100, 2));
    sea.grid.Draw(1.0, true);
    plane = uniformFloats(program, "plane", 4);
    EXPECT_FLOAT_EQ(plane[3], -2.1f);
}

TEST(ProjectedGridUniforms, FogHeightMapAndGridValues)
{
    SurfaceScene::Options options;
    options.configuration = "default-visibility-above = 5000\ndefault-visibility-below = 50\n"
                            "default-fog-color-above-g = 0.5";
    SurfaceScene scene(options);
    ASSERT_TRUE(scene.ready()) << scene.failure();
    DrawnGrid sea(scene, 100);
    ASSERT_TRUE(sea.ready);
    const GLuint program = sea.grid.GetShader();
    scene.clear(0, 0, 0);
    sea.grid.Draw(1.0, true);
    EXPECT_FLOAT_EQ(uniformFloats(program, "fogDensity", 1)[0], 3.912f / 5000.0f);
    EXPECT_FLOAT_EQ(uniformFloats(program, "fogDensityBelow", 1)[0], 3.912f / 50.0f);
    EXPECT_EQ(uniformFloats(program, "fogColor", 3), (std::vector<float>{0, 0.5f, 0}));
    EXPECT_FLOAT_EQ(uniformFloats(program, "gridSize", 1)[0], 100.0f);
    GLint value = -1;
    glGetUniformiv(program, Maris::glGetUniformLocation(program, "hasHeightMap"), &value);
    EXPECT_EQ(value, 0);
    glGetUniformiv(program, Maris::glGetUniformLocation(program, "heightMap"), &value);
    EXPECT_EQ(value, 5);
    Maris::glActiveTexture(GL_TEXTURE5);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
    Maris::glActiveTexture(GL_TEXTURE0);
    EXPECT_EQ(value, static_cast<GLint>(sea.grid.GetEmptyHeightMap()));
    EXPECT_EQ(uniformFloats(program, "heightMapMatrix", 16),
              (std::vector<float>{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}));
    // The stretch and the camera as the processor side computes them. The stretch of a frame
    // uses the wave amplitudes of the frame before, so a second frame of the same wind matches.
    sea.grid.Draw(1.0, true);
    const Maris::Matrix4 stretch = sea.grid.ComputeGridScale();
    const std::vector<float> gridScale = uniformFloats(program, "gridScale", 16);
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(gridScale[static_cast<std::size_t>(i)], static_cast<float>(stretch.Pointer()[i])) << i;
    const Maris::Vector3& eye = scene.environment().GetCameraPosition();
    EXPECT_EQ(uniformFloats(program, "cameraPos", 3),
              (std::vector<float>{static_cast<float>(eye.x), static_cast<float>(eye.y), static_cast<float>(eye.z)}));
    EXPECT_EQ(uniformFloats(program, "basis", 9), (std::vector<float>{1, 0, 0, 0, 1, 0, 0, 0, 1}));
    EXPECT_FLOAT_EQ(uniformFloats(program, "antiAliasing", 1)[0], 1.0f);
    EXPECT_FLOAT_EQ(uniformFloats(program, "depthOffset", 1)[0], 0.0f);
    const Maris::Matrix4 viewProjection =
        scene.environment().GetCameraMatrix() * scene.environment().GetProjectionMatrix();
    const std::vector<float> inverse = uniformFloats(program, "invModelviewProj", 16);
    const Maris::Matrix4 expectedInverse = viewProjection.Inverse();
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(inverse[static_cast<std::size_t>(i)], expectedInverse.Pointer()[i],
                    1e-4 * (1.0 + std::fabs(expectedInverse.Pointer()[i])));

    // Under water the fog is the one below.
    scene.lookAt(Maris::Vector3(0, 0, -5), Maris::Vector3(0, 100, 0));
    EXPECT_FALSE(sea.grid.IsAboveWater());
    sea.grid.Draw(1.0, true);
    EXPECT_FLOAT_EQ(uniformFloats(program, "fogDensity", 1)[0], 3.912f / 50.0f);
}

TEST(ProjectedGridStretch, LevelCameraCentresTheGridJustBelowTheHorizon)
{
    SurfaceScene scene;
    ASSERT_TRUE(scene.ready()) << scene.failure();
    Maris::ProjectedGrid grid(false);
    ASSERT_TRUE(grid.Initialize(&scene.environment(), Maris::GerstnerWaves, 16));
    // No wave model: the sea does not move, so the grid needs no margin.
    const double height = 10.0;
    scene.lookAt(Maris::Vector3(0, 0, height), Maris::Vector3(0, 1000, height), 90.0);
    const Maris::Matrix4 scale = grid.ComputeGridScale();
    // The far face (20000 ahead) meets the sea height / 20000 below the middle of the screen
    // (90 degrees field of view, square target); the middle is nudged a thousandth further down.
    const double offset = -height / 20000.0 - 0.001;
    EXPECT_NEAR(scale.elem[3][1], offset, 1e-5);
    EXPECT_NEAR(scale.elem[3][0], 0.0, 1e-9);
    // Stretched to reach the far corner: 1 + |offset|, no rotation.
    EXPECT_NEAR(scale.elem[0][0], 1.0 - offset, 1e-5);
    EXPECT_NEAR(scale.elem[1][1], 1.0 - offset, 1e-5);
    EXPECT_NEAR(scale.elem[0][1], 0.0, 1e-9);
    EXPECT_DOUBLE_EQ(scale.elem[2][2], 1.0);
    EXPECT_DOUBLE_EQ(scale.elem[3][3], 1.0);
}

TEST(ProjectedGridStretch, RolledCameraTurnsTheGridWithTheHorizon)
{
    SurfaceScene scene;
    ASSERT_TRUE(scene.ready()) << scene.failure();
    Maris::ProjectedGrid grid(false);
    ASSERT_TRUE(grid.Initialize(&scene.environment(), Maris::GerstnerWaves, 16));
    for (double roll : {-20.0, 15.0}) {
        scene.lookAt(Maris::Vector3(0, 0, 10), Maris::Vector3(0, 1000, 10), 90.0, roll);
        const Maris::Matrix4 scale = grid.ComputeGridScale();
        const double angle = std::atan2(scale.elem[1][0], scale.elem[0][0]);
        EXPECT_NEAR(std::fabs(angle), std::fabs(roll) * M_PI / 180.0, 1e-3) << roll;
        // Turned, the grid must still reach every screen corner.
        EXPECT_GT(std::hypot(scale.elem[0][0], scale.elem[1][0]), 1.0);
    }
}

TEST(ProjectedGridStretch, WavesWidenTheGridByHowFarTheyMoveThePicture)
{
    SurfaceScene scene;
    ASSERT_TRUE(scene.ready()) << scene.failure();
    DrawnGrid sea(scene);
    ASSERT_TRUE(sea.ready);
    scene.lookAt(Maris::Vector3(0, 0, 40), Maris::Vector3(0, 200, 0), 60.0);
    scene.environment().SimulateSeaState(0.0, 0.0);
    sea.grid.GetWaterModel()->PrepareShader(1.0);
    const double calm = sea.grid.ComputeGridScale().elem[0][0];
    scene.environment().SimulateSeaState(6.0, 0.0);
    sea.grid.GetWaterModel()->PrepareShader(1.0);
    const double rough = sea.grid.ComputeGridScale().elem[0][0];
    EXPECT_GT(rough, calm + 0.05);
    // Never more than the allowed displacement.
    EXPECT_LE(rough, calm + 1.5 + 1e-6);
}

TEST(ProjectedGridState, PushResetAndPopRestoreTheHostState)
{
    SurfaceScene scene;
    ASSERT_TRUE(scene.ready()) << scene.failure();
    DrawnGrid sea(scene);
    ASSERT_TRUE(sea.ready);
    const GLuint hostProgram = sea.grid.GetShader();
    Maris::glUseProgram(hostProgram);
    glEnable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glFrontFace(GL_CW);
    sea.grid.PushState();
    sea.grid.ResetState();
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    GLint value = 0;
    glGetIntegerv(GL_FRONT_FACE, &value);
    EXPECT_EQ(value, GL_CCW);
    scene.clear(0, 0, 0);
    sea.grid.Draw(1.0, true);
    glGetIntegerv(GL_CURRENT_PROGRAM, &value);
    EXPECT_EQ(value, 0);
    sea.grid.PopState();
    glGetIntegerv(GL_CURRENT_PROGRAM, &value);
    EXPECT_EQ(value, static_cast<GLint>(hostProgram));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    glGetIntegerv(GL_FRONT_FACE, &value);
    EXPECT_EQ(value, GL_CW);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    Maris::glUseProgram(0);
}

// The driver is told to report OpenGL 1.5; the grid must refuse it. Runs in a child process,
// because the override applies to the whole connection.
TEST(ProjectedGridContext, AnOpenGLOneContextFailsWithItsMessage)
{
    int output[2];
    ASSERT_EQ(pipe(output), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(output[0]);
        setenv("MESA_GL_VERSION_OVERRIDE", "1.5", 1);
        Display* display = XOpenDisplay(nullptr);
        const int configAttributes[] = {GLX_DRAWABLE_TYPE, GLX_PBUFFER_BIT, GLX_RENDER_TYPE,
                                        GLX_RGBA_BIT, None};
        int count = 0;
        GLXFBConfig* configs =
            display ? glXChooseFBConfig(display, DefaultScreen(display), configAttributes, &count) : nullptr;
        if (!configs || count == 0)
            _exit(3);
        const int pbufferAttributes[] = {GLX_PBUFFER_WIDTH, 8, GLX_PBUFFER_HEIGHT, 8, None};
        const GLXPbuffer drawable = glXCreatePbuffer(display, configs[0], pbufferAttributes);
        GLXContext context = glXCreateNewContext(display, configs[0], GLX_RGBA_TYPE, nullptr, True);
        if (!context || !glXMakeContextCurrent(display, drawable, drawable, context))
            _exit(4);
        const std::string version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
        std::string report = version + "\n";
        {
            MessageCapture messages;
            TemporaryDirectory directory;
            directory.write("Maris.config", "\n");
            Maris::ResourceLoader loader(directory.path().c_str(), false);
            Maris::Environment environment;
            environment.Initialize(Maris::FlatZUp, Maris::OpenGL2, &loader, nullptr, false);
            Maris::ProjectedGridOpenGL grid(false);
            report += grid.Initialize(&environment, Maris::GerstnerWaves, 8) ? "initialised\n" : "refused\n";
            for (const std::string& text : messages.texts())
                report += text + "\n";
        }
        if (write(output[1], report.data(), report.size()) < 0)
            _exit(5);
        _exit(0);
    }
    close(output[1]);
    std::string report;
    char buffer[512];
    for (ssize_t n; (n = read(output[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, static_cast<std::size_t>(n));
    close(output[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    ASSERT_EQ(report.compare(0, 2, "1."), 0) << report;
    EXPECT_NE(report.find("\nrefused\n"), std::string::npos) << report;
    EXPECT_NE(report.find("\nOpenGL 2.0 capabilities not present on this system.\n"), std::string::npos)
        << report;
}
