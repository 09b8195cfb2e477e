#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include "OceanScene.h"

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

// A grid with both models attached, as the ocean wires it.
struct DrawnGrid
{
    explicit DrawnGrid(OceanScene& scene, std::uint32_t resolution = 64)
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

TEST(ProjectedGridStretch, RolledCameraTurnsTheGridWithTheHorizon)
{
    OceanScene scene;
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
    OceanScene scene;
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
    OceanScene scene;
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
