#include "OceanScene.h"

#include "opengl/GerstnerWaterModelOpenGL.h"
#include "opengl/OceanLightingModelOpenGL.h"
#include "opengl/ProjectedGridOpenGL.h"

#include <gtest/gtest.h>

#include <GL/gl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

namespace {

OceanScene::Options withWash(const std::string& configuration)
{
    OceanScene::Options o;
    o.configuration = "wake-propeller-backwash = true\n" + configuration;
    return o;
}

// A Gerstner grid with its program on the scene; the wave and lighting models are attached as the
// ocean wires them when `attach` is set.
struct GridScene
{
    explicit GridScene(const OceanScene::Options& options, bool attach = false,
                       int resolution = 32)
        : scene(options)
    {
        ready = scene.ready() &&
                grid.Initialize(&scene.environment(), Maris::GerstnerWaves, resolution);
        if (!ready || !attach)
            return;
        model = new Maris::GerstnerWaterModelOpenGL(&scene.environment());
        auto* lighting = new Maris::OceanLightingModelOpenGL(&scene.environment());
        ready = model->Initialize(grid.GetShader(), 0, false) &&
                lighting->Initialize(grid.GetShader(), 0);
        grid.SetWaterModel(model);
        grid.SetLightingModel(lighting);
    }
    OceanScene scene;
    Maris::ProjectedGridOpenGL grid{false};
    Maris::GerstnerWaterModelOpenGL* model = nullptr;
    bool ready = false;
};

} // namespace

TEST(ProjectedGridStretch, RolledCameraTurnsTheGridWithTheHorizon)
{
    GridScene sea(withWash(""));
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
    GridScene sea(withWash(""), true);
    ASSERT_TRUE(sea.ready);
    sea.scene.lookAt(Maris::Vector3(0, 0, 40), Maris::Vector3(0, 200, 0), 60.0);
    double scales[2];
    for (int beaufort : {0, 6}) {
        sea.scene.environment().SimulateSeaState(beaufort, 0.0);
        sea.model->PrepareShader(1.0);
        scales[beaufort > 0] = sea.grid.ComputeGridScale().elem[0][0];
    }
    EXPECT_GT(scales[1], scales[0] + 0.05);
    EXPECT_LE(scales[1], scales[0] + 1.5 + 1e-6) << "never more than the allowed displacement";
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
        setenv("MESA_GL_VERSION_OVERRIDE", "1.5", 1);
        std::string report;
        {
            OceanScene::Options options = OceanScene::bareOptions("\n", Maris::OpenGL2);
            options.openGL = true;
            OceanScene scene(options);
            report = reinterpret_cast<const char*>(glGetString(GL_VERSION));
            Maris::ProjectedGridOpenGL grid(false);
            report += grid.Initialize(&scene.environment(), Maris::GerstnerWaves, 8)
                          ? "\ninitialised\n"
                          : "\nrefused\n";
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
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
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
        GridScene sea(withWash(c.configuration));
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

// The shipped grid vertex shader with a fragment shader that writes what it computed for each
// pixel: local x, local y and the displaced height (found through the file-name prefix).
using SurfaceHeights = ::testing::TestWithParam<Maris::Renderer>;

TEST_P(SurfaceHeights, DrawnGerstnerSurfaceAgreesWithTheHeightQuery)
{
    OceanScene::Options options;
    options.renderer = GetParam();
    options.width = 160;
    options.height = 120;
    options.floatTarget = true;
    options.configuration = "shader-filename-prefix = heights-\nnum-gerstner-waves = 6";
    options.files = {{"heights-projgrid-flat-gerstner.glsl",
                      OceanScene::stagedFile("projgrid-flat-gerstner.glsl")},
                     {"heights-ocean-frag-gerstner.glsl", R"(
#ifdef OPENGL32
in vec3 vLocal;
out vec4 height;
void main() { height = vec4(vLocal, 1.0); }
#else
varying vec3 vLocal;
void main() { gl_FragColor = vec4(vLocal, 1.0); }
#endif
)"}};
    GridScene sea(options, true, 512);
    ASSERT_TRUE(sea.ready) << sea.scene.failure()
                           << ::testing::PrintToString(sea.scene.messages().texts());
    sea.scene.environment().SimulateSeaState(6.0, 0.7);
    sea.scene.lookAt(Maris::Vector3(15, -40, 60), Maris::Vector3(30, 20, 0), 60.0);
    sea.scene.clear(0, 0, 0, 0);
    sea.grid.Draw(17.25, true);
    std::vector<float> pixels(160 * 120 * 4);
    glReadPixels(0, 0, 160, 120, GL_RGBA, GL_FLOAT, pixels.data());

    int covered = 0;
    double largest = 0.0, amplitudeSeen = 0.0;
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
        if (pixels[i + 3] != 1.0f)
            continue;
        ++covered;
        Maris::Vector3 normal;
        const double expected =
            sea.model->GetHeight(Maris::Vector3(pixels[i], pixels[i + 1], 0.0), &sea.grid, normal);
        largest = std::max(largest, std::fabs(pixels[i + 2] - expected));
        amplitudeSeen = std::max(amplitudeSeen, std::fabs(expected));
    }
    // Every pixel shows real waves, drawn at the height the model answers there (to the
    // interpolation between grid vertices).
    EXPECT_EQ(covered, 160 * 120);
    EXPECT_GT(amplitudeSeen, 1.0);
    EXPECT_LT(largest, 0.01 * sea.model->GetMaxAmplitude()) << sea.model->GetMaxAmplitude();
}

INSTANTIATE_TEST_SUITE_P(Renderers, SurfaceHeights,
                         ::testing::Values(Maris::OpenGL2, Maris::OpenGL32),
                         [](const ::testing::TestParamInfo<Maris::Renderer>& info) {
                             return info.param == Maris::OpenGL2 ? "Compatibility" : "OpenGL32";
                         });
