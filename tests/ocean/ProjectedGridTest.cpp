#include "OceanScene.h"

#include "opengl/GerstnerWaterModelOpenGL.h"
#include "opengl/OceanLightingModelOpenGL.h"
#include "opengl/ProjectedGridOpenGL.h"

#include <gtest/gtest.h>
// After the test framework: the X headers define macros such as None.
#include <GL/glx.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

namespace {

// A Gerstner grid with its program on a scene of the configuration lines; the wave and lighting
// models are attached as the ocean wires them when `attach` is set.
struct GridScene
{
    explicit GridScene(const std::string& configuration = "", bool attach = false)
        : scene(options(configuration))
    {
        ready = scene.ready() && grid.Initialize(&scene.environment(), Maris::GerstnerWaves, 32);
        if (!ready || !attach)
            return;
        auto* model = new Maris::GerstnerWaterModelOpenGL(&scene.environment());
        auto* lighting = new Maris::OceanLightingModelOpenGL(&scene.environment());
        ready = model->Initialize(grid.GetShader(), 0, false) &&
                lighting->Initialize(grid.GetShader(), 0);
        grid.SetWaterModel(model);
        grid.SetLightingModel(lighting);
    }
    static OceanScene::Options options(const std::string& configuration)
    {
        OceanScene::Options o;
        o.configuration = "wake-propeller-backwash = true\n" + configuration;
        return o;
    }
    OceanScene scene;
    Maris::ProjectedGridOpenGL grid{false};
    bool ready = false;
};

} // namespace

TEST(ProjectedGridStretch, RolledCameraTurnsTheGridWithTheHorizon)
{
    GridScene sea;
    ASSERT_TRUE(sea.ready);
    for (double roll : {-20.0, 15.0}) {
        sea.scene.lookAt(Maris::Vector3(0, 0, 10), Maris::Vector3(0, 1000, 10), 90.0, roll);
        const Maris::Matrix4 scale = sea.grid.ComputeGridScale();
        const double angle = std::atan2(scale.elem[1][0], scale.elem[0][0]);
        EXPECT_NEAR(std::fabs(angle), std::fabs(roll) * M_PI / 180.0, 1e-3) << roll;
        // Turned, the grid must still reach every screen corner.
        EXPECT_GT(std::hypot(scale.elem[0][0], scale.elem[1][0]), 1.0);
    }
}

TEST(ProjectedGridStretch, WavesWidenTheGridByHowFarTheyMoveThePicture)
{
    GridScene sea("", true);
    ASSERT_TRUE(sea.ready);
    sea.scene.lookAt(Maris::Vector3(0, 0, 40), Maris::Vector3(0, 200, 0), 60.0);
    sea.scene.environment().SimulateSeaState(0.0, 0.0);
    sea.grid.GetWaterModel()->PrepareShader(1.0);
    const double calm = sea.grid.ComputeGridScale().elem[0][0];
    sea.scene.environment().SimulateSeaState(6.0, 0.0);
    sea.grid.GetWaterModel()->PrepareShader(1.0);
    const double rough = sea.grid.ComputeGridScale().elem[0][0];
    EXPECT_GT(rough, calm + 0.05);
    EXPECT_LE(rough, calm + 1.5 + 1e-6) << "never more than the allowed displacement";
}

// The driver is told to report OpenGL 1.5; the grid must refuse it. In a child process, because
// the driver reads the override once per process.
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
        GLXFBConfig* configs = display ? glXChooseFBConfig(display, DefaultScreen(display),
                                                           configAttributes, &count)
                                       : nullptr;
        if (!configs || count == 0)
            _exit(3);
        const int pbufferAttributes[] = {GLX_PBUFFER_WIDTH, 8, GLX_PBUFFER_HEIGHT, 8, None};
        const GLXPbuffer drawable = glXCreatePbuffer(display, configs[0], pbufferAttributes);
        GLXContext context =
            glXCreateNewContext(display, configs[0], GLX_RGBA_TYPE, nullptr, True);
        if (!context || !glXMakeContextCurrent(display, drawable, drawable, context))
            _exit(4);
        std::string report = reinterpret_cast<const char*>(glGetString(GL_VERSION));
        report += "\n";
        {
            OceanScene::Options options = OceanScene::bareOptions("\n", Maris::OpenGL2);
            OceanScene scene(options);
            Maris::ProjectedGridOpenGL grid(false);
            report += grid.Initialize(&scene.environment(), Maris::GerstnerWaves, 8)
                          ? "initialised\n"
                          : "refused\n";
            for (const std::string& text : scene.messages().texts())
                report += text + "\n";
        }
        _exit(write(output[1], report.data(), report.size()) < 0 ? 5 : 0);
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
    EXPECT_NE(report.find("\nrefused\nOpenGL 2.0 capabilities not present on this system.\n"),
              std::string::npos)
        << report;
}

// Bad settings of the lighting model, a missing noise texture, and more Gerstner waves than the
// shader has slots for; as many as it has are fine.
TEST(LightingSettings, BadSettingsOfTheSurfaceModelsFailWithTheirMessages)
{
    std::smatch match;
    const std::string text = OceanScene::stagedFile("projgrid-flat-gerstner.glsl");
    ASSERT_TRUE(std::regex_search(text, match, std::regex("#define MAX_WAVES ([0-9]+)")));
    const std::string waves = "num-gerstner-waves = ";
    const int slots = std::stoi(match[1]);
    const struct
    {
        std::string configuration;
        std::vector<std::string> messages;
    } cases[] = {
        {"refract-color-green = -0.1", {"Negative refraction color value specified."}},
        {"shininess = -1", {"Negative shininess specified."}},
        {"foam-scale = -3", {"Negative foam-scale specified."}},
        {"foam-blend = -0.5", {"Negative foam-blend specified."}},
        {"", {"Failed to load the following resource:", "perlin.tga",
              "Could not load the OpenGL noise texture."}},
        {waves + std::to_string(slots), {}},
        {waves + std::to_string(slots + 1),
         {"One or more wave parameters not found in the OpenGL Gerstner shader. Did you change "
          "the number of waves in the config file but not update the MAX_WAVES definition in "
          "the .glsl files?"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.configuration);
        GridScene sea(c.configuration);
        ASSERT_TRUE(sea.ready);
        if (c.configuration.empty())
            std::remove((sea.scene.resources().path() + "/perlin.tga").c_str());
        const GLuint shader = sea.grid.GetShader();
        if (c.configuration.compare(0, waves.size(), waves) == 0) {
            Maris::GerstnerWaterModelOpenGL model(&sea.scene.environment());
            EXPECT_EQ(model.Initialize(shader, 0, false), c.messages.empty());
        } else {
            Maris::OceanLightingModelOpenGL lighting(&sea.scene.environment());
            EXPECT_FALSE(lighting.Initialize(shader, 0));
        }
        const std::vector<std::string> texts = sea.scene.messages().texts();
        ASSERT_EQ(texts.size(), c.messages.size()) << ::testing::PrintToString(texts);
        for (std::size_t i = 0; i < texts.size(); ++i)
            EXPECT_NE(texts[i].find(c.messages[i]), std::string::npos) << texts[i];
    }
}
