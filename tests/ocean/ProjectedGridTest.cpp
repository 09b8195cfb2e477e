#include "OceanScene.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include "core/DefaultRandomNumberGenerator.h"
#include "opengl/GerstnerWaterModelOpenGL.h"
#include "opengl/OceanLightingModelOpenGL.h"
#include "opengl/OpenGLEntryPoints.h"
#include "opengl/OpenGLErrorCheck.h"
#include "opengl/OpenGLExtensions.h"
#include "opengl/ProjectedGridOpenGL.h"
#include "opengl/SprayTexture.h"
#include "waves/GerstnerWaterModel.h"

#include <GL/glu.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

// The projected grid, its programs and the Gerstner waves it draws.
namespace {

// A Gerstner grid on the scene, with the wave and lighting models wired when `attach` is set.
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

// A simulation-only sea of one Gerstner wave, drawn from a seeded generator.
struct GerstnerSea
{
    explicit GerstnerSea(Maris::CoordinateSystem system)
        : scene([system] {
              OceanScene::Options o = OceanScene::bareOptions("num-gerstner-waves = 1\n");
              o.coordinateSystem = system;
              return o;
          }())
    {
        std::srand(1);
        initialized = model.Initialize(7, false); // the plain model only keeps the program
    }
    OceanScene scene;
    Maris::GerstnerWaterModel model{&scene.environment()};
    bool initialized = false;
};

// Builds the sea's programs for a variant; false when a fatal failure ended it.
bool checkVariant(Maris::Renderer renderer, Maris::CoordinateSystem system,
                  Maris::WaterModelType type, int flags)
{
    const bool kelvinWakes = flags & 1, propellerWash = flags & 2, breaking = flags & 4;
    SCOPED_TRACE(::testing::Message() << "renderer " << renderer << ", system " << system
                                      << ", type " << type << ", flags " << flags);
    OceanScene::Options options;
    options.renderer = renderer;
    options.coordinateSystem = system;
    options.hdr = flags & 8;
    options.configuration = std::string("wake-kelvin-wakes = ") +
                            (kelvinWakes ? "true" : "false") + "\nwake-propeller-backwash = " +
                            (propellerWash ? "true" : "false");
    OceanScene scene(options);
    EXPECT_TRUE(scene.ready()) << scene.failure();
    if (!scene.ready())
        return false;
    Maris::ProjectedGridOpenGL grid(breaking);
    EXPECT_TRUE(grid.Initialize(&scene.environment(), type, 16));
    EXPECT_EQ(scene.messages().texts(), std::vector<std::string>());
    EXPECT_NE(grid.GetShader(), 0u);
    EXPECT_EQ(grid.GetPatchShader() != 0u, type != Maris::GerstnerWaves);
    // The uniforms the library sets (arrays by the name before the brackets).
    static const std::set<std::string> known = [] {
        std::set<std::string> names(std::begin(Maris::ProjectedGridOpenGL::uniformNames),
                                    std::end(Maris::ProjectedGridOpenGL::uniformNames));
        names.insert(std::begin(Maris::OceanLightingModelOpenGL::uniformNames),
                     std::end(Maris::OceanLightingModelOpenGL::uniformNames));
        names.insert({"numWaves", "time", "waves", "displacementMap", "slopeFoamMap",
                      "textureSize", "noiseAmplitude", "invNoiseDistance", "invDampingDistance",
                      "textureLODBias", "doWakes", "washLength", "wakes"});
        return names;
    }();
    for (const GLuint program : {grid.GetShader(), grid.GetPatchShader()}) {
        if (!program)
            continue;
        // Nothing the library does not set is left for the shaders to read uninitialized.
        GLint count = 0;
        glGetProgramiv(program, GL_ACTIVE_UNIFORMS, &count);
        for (GLint i = 0; i < count; ++i) {
            char name[256];
            GLint size = 0;
            GLenum kind = 0;
            glGetActiveUniform(program, static_cast<GLuint>(i), sizeof name, nullptr, &size, &kind,
                               name);
            const std::string text = name;
            EXPECT_TRUE(known.count(text.substr(0, text.find('[')))) << "unset uniform " << text;
        }
        const bool core = renderer >= Maris::OpenGL32;
        EXPECT_TRUE(!core || Maris::glGetAttribLocation(program, "vertex") >= 0) << program;
    }
    return !::testing::Test::HasFailure();
}

const auto rendererName = [](const ::testing::TestParamInfo<Maris::Renderer>& info) {
    return std::string(info.param == Maris::OpenGL2 ? "Compatibility" : "OpenGL32");
};

} // namespace

TEST(ProjectedGridStretch, RollAndWavesShapeTheGrid)
{
    GridScene sea(OceanScene::Options(), true);
    ASSERT_TRUE(sea.ready);
    for (double roll : {-20.0, 15.0}) {
        sea.scene.lookAt(Maris::Vector3(0, 0, 10), Maris::Vector3(0, 1000, 10), 90.0, roll);
        const Maris::Matrix4 scale = sea.grid.ComputeGridScale();
        const double angle = std::atan2(scale.elem[1][0], scale.elem[0][0]);
        EXPECT_NEAR(std::fabs(angle), std::fabs(roll) * M_PI / 180.0, 1e-3) << roll;
        // Turned, the grid must still reach every screen corner.
        EXPECT_GT(std::hypot(scale.elem[0][0], scale.elem[1][0]), 1.0);
    }

    // Waves widen the grid by how far they move the picture.
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

// A driver reporting OpenGL 1.5 is refused; in a child, as the override is read once a process.
TEST(ProjectedGridContext, AnOpenGLOneContextFailsWithItsMessage)
{
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setenv("MESA_GL_VERSION_OVERRIDE", "1.5", 1);
        int status = 3; // the override did not take
        {
            OceanScene scene;
            Maris::ProjectedGridOpenGL grid(false);
            const std::string version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
            const bool refused = !grid.Initialize(&scene.environment(), Maris::GerstnerWaves, 8);
            const std::vector<std::string> texts = scene.messages().texts();
            const bool told = !texts.empty() &&
                              texts[0] == "OpenGL 2.0 capabilities not present on this system.";
            if (version.rfind("1.", 0) == 0)
                status = !refused ? 4 : !told ? 5 : 0;
        }
        _exit(status);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0)
        << "3: not 1.x, 4: initialized, 5: other messages";
}

// Bad settings of the surface models and a missing noise texture; as many waves as slots are fine.
TEST(LightingSettings, BadSettingsOfTheSurfaceModelsFailWithTheirMessages)
{
    std::smatch match;
    const std::string text = OceanScene::stagedFile("projgrid-flat-gerstner.glsl");
    ASSERT_TRUE(std::regex_search(text, match, std::regex("#define MAX_WAVES ([0-9]+)")));
    const int slots = std::stoi(match[1]);
    const struct
    {
        std::string configuration;
        bool waves; // the Gerstner model is initialized, else the lighting model
        bool initialized;
        std::vector<std::string> messages;
    } cases[] = {
        {"refract-color-green = -1", false, false, {"Negative refraction color value specified."}},
        {"shininess = -1", false, false, {"Negative shininess specified."}},
        {"foam-scale = -3", false, false, {"Negative foam-scale specified."}},
        {"foam-blend = -0.5", false, false, {"Negative foam-blend specified."}},
        {"", false, false, {"Failed to load the following resource:", "perlin.tga",
                            "Could not load the OpenGL noise texture."}},
        {"num-gerstner-waves = " + std::to_string(slots), true, true, {}},
        {"num-gerstner-waves = " + std::to_string(slots + 1), true, false,
         {"One or more wave parameters not found in the OpenGL Gerstner shader. Did you change "
          "the number of waves in the config file but not update the MAX_WAVES definition in "
          "the .glsl files?"}},
        {"num-gerstner-waves = 0", true, false, {"Invalid num-gerstner-waves specified."}},
        {"gerstner-median-wavelength-meters = 0", true, false,
         {"Invalid gerstner-median-wavelength-meters specified."}},
        {"gerstner-wave-steepness = 1.5", true, true,
         {"gerstner-waves-steepness should be between 0 and 1."}},
        {"fft-choppiness = -1", true, true, {"Negative fft-choppiness specified"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.configuration);
        OceanScene::Options options;
        options.configuration = "wake-propeller-backwash = true\n" + c.configuration;
        GridScene sea(options);
        ASSERT_TRUE(sea.ready);
        if (c.configuration.empty())
            std::remove((sea.scene.resources().path() + "/perlin.tga").c_str());
        const GLuint shader = sea.grid.GetShader();
        if (c.waves) {
            Maris::GerstnerWaterModelOpenGL model(&sea.scene.environment());
            EXPECT_EQ(model.Initialize(shader, 0, false), c.initialized);
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

// The shipped vertex shader and one that writes local x, y and the height it computed.
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
#else
varying vec3 vLocal;
#define height gl_FragColor
#endif
void main() { height = vec4(vLocal, 1.0); }
)"}};
    GridScene sea(options, true, 512);
    ASSERT_TRUE(sea.ready) << sea.scene.failure();
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
    // Every pixel shows waves at the height the model answers there, to the interpolation.
    EXPECT_EQ(covered, 160 * 120);
    EXPECT_GT(amplitudeSeen, 1.0);
    EXPECT_LT(largest, 0.01 * sea.model->GetMaxAmplitude()) << sea.model->GetMaxAmplitude();
}

INSTANTIATE_TEST_SUITE_P(Renderers, SurfaceHeights,
                         ::testing::Values(Maris::OpenGL2, Maris::OpenGL32), rendererName);

// Both coordinate families, a Gerstner and an FFT sea, every combination of the four options.
using SeaShaders = ::testing::TestWithParam<Maris::Renderer>;

TEST_P(SeaShaders, EveryProgramCompilesLinksAndReadsOnlyWhatIsSet)
{
    for (Maris::CoordinateSystem system : {Maris::FlatZUp, Maris::GeocentricEllipsoidZUp})
        for (Maris::WaterModelType type : {Maris::GerstnerWaves, Maris::PhillipsSpectrum})
            for (int flags = 0; flags < 16; ++flags)
                if (!checkVariant(GetParam(), system, type, flags))
                    return; // the first failing variant says enough
}

INSTANTIATE_TEST_SUITE_P(Renderers, SeaShaders, ::testing::Values(Maris::OpenGL2, Maris::OpenGL32),
                         rendererName);

// Only whole extension names match; each GL error is reported where it arose and consumed.
TEST(OpenGL, ExtensionsMatchWholeNamesAndErrorsAreReportedWhereTheyArose)
{
    OceanScene scene; // initializing an OpenGL environment fetches the entry points
    ASSERT_TRUE(scene.ready()) << scene.failure();
    std::istringstream list(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)));
    std::vector<std::string> names;
    for (std::string name; list >> name;)
        names.push_back(name);
    ASSERT_GT(names.size(), 10u);
    glEnable(0x7fff); // not a capability
    const std::string& middle = names[names.size() / 2];
    for (const std::string& name : {names.front(), middle, names.back()})
        EXPECT_TRUE(Maris::IsExtensionSupported(name.c_str())) << name;
    for (const std::string& name : {middle.substr(0, middle.size() - 1), middle + "_more",
                                    middle.substr(1), names[0] + " " + names[1], std::string()})
        EXPECT_FALSE(Maris::IsExtensionSupported(name.c_str())) << name;
    EXPECT_FALSE(Maris::IsExtensionSupported(nullptr));

    MessageCapture& messages = scene.messages();
    messages.clear();
    glEnable(0x7fff);
    EXPECT_FALSE(Maris::CheckOpenGLError("GridRenderer.cpp", 42));
    const std::string invalid = reinterpret_cast<const char*>(gluErrorString(GL_INVALID_ENUM));
    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{"GL error in GridRenderer.cpp line 42:", invalid}));
    messages.clear();
    EXPECT_TRUE(MARIS_CHECK_GL_ERROR()) << "the errors were consumed";
    EXPECT_TRUE(messages.entries().empty());
}

// No wind, no waves; deep-water phase speed; every phase is 0 at the origin at time 0; a y-up
// world reads local x as world x and local y as world -z, and ignores world y.
TEST(GerstnerHeight, CalmWithoutWindFlatAtThePhaseOriginAndReadThroughTheBasis)
{
    for (Maris::CoordinateSystem system : {Maris::FlatZUp, Maris::FlatYUp}) {
        GerstnerSea sea(system);
        ASSERT_TRUE(sea.initialized);
        const std::unique_ptr<Maris::ProjectedGrid> grid = sea.scene.grid(Maris::GerstnerWaves);
        ASSERT_TRUE(sea.model.PrepareShader(1.0));
        EXPECT_EQ(sea.model.GetMaxAmplitude(), 0.0) << "no wind, no waves";
        sea.scene.setWind(9.0, 0.6);
        ASSERT_TRUE(sea.model.PrepareShader(0.0));
        const Maris::GerstnerWave& w = sea.model.GetWaves()[0];
        EXPECT_NEAR(w.phaseSpeed, std::sqrt(9.8 * 2.0 * M_PI / w.wavelength), 1e-3);
        Maris::Vector3 normal;
        EXPECT_EQ(sea.model.GetHeight(Maris::Vector3(0, 0, 0), grid.get(), normal), 0.0f);
        if (system == Maris::FlatZUp)
            continue;
        const double dx = w.directionX * 20.0, dy = w.directionY * 20.0;
        auto height = [&](double y, double z) {
            return sea.model.GetHeight(Maris::Vector3(dx, y, z), grid.get(), normal);
        };
        const float a = height(500.0, -dy);
        EXPECT_NEAR(a, w.amplitude * std::sin(w.frequency * 20.0f), 1e-4);
        EXPECT_GT(std::fabs(a), 0.1f);
        EXPECT_NEAR(height(0.0, -dy), a, 1e-6);
        EXPECT_GT(std::fabs(height(0.0, dy) - a), 0.1);

        EXPECT_FALSE(sea.model.Initialize(0u, false));
        const std::string null = "Null shader passed into GerstnerWaterModel::Initialize";
        EXPECT_EQ(sea.scene.messages().texts(), std::vector<std::string>{null});
    }
}

TEST(DefaultRandomNumberGenerator, BoundsWithoutRoomAnswerTheLowerOneWithoutFailing)
{
    Maris::DefaultRandomNumberGenerator generator;
    EXPECT_EQ(generator.GetRandomNumber(2.5, 2.5), 2.5);
    EXPECT_EQ(generator.GetRandomInt(4, 4), 4);
    EXPECT_EQ(generator.GetRandomInt(9, 2), 9);
    // The width of the whole int range does not overflow into a fault.
    generator.GetRandomInt(INT32_MIN, INT32_MAX);
}

// A bad texture fails its user by name; 8-bit images would be read past their end as RGBA.
TEST(OceanTextureBadInput, ABadTextureFailsItsUserWithItsMessages)
{
    OceanScene scene;
    ASSERT_TRUE(scene.ready()) << scene.failure();
    struct Case
    {
        const char* file;
        std::string bytes;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"foam.tga", tga(2, 512, 512, 24, std::string(3000, '\x40')),
         {"Invalid TGA header", "Could not load the OpenGL whitecaps texture."}},
        {"wash.tga", tga(3, 64, 64, 8, std::string(64 * 64, '\x40')),
         {"wash.tga has 8 bits per pixel; a texture needs 24 or 32",
          "Could not load the OpenGL propellor wash texture."}},
        {"spray.tga", tga(2, 16, 16, 8, std::string(256, '\x40')),
         {"spray.tga has 8 bits per pixel; a texture needs 24 or 32",
          "Couldn't load spray texture"}},
    };
    auto initialize = [&](const char* file) {
        bool initialized = false;
        if (std::string(file) == "spray.tga") {
            GLuint texture = Maris::CreateSprayTexture(&scene.environment());
            initialized = texture != 0;
            glDeleteTextures(1, &texture);
        } else {
            Maris::OceanLightingModelOpenGL lighting(&scene.environment());
            initialized = lighting.Initialize(0, 0);
        }
        while (glGetError() != GL_NO_ERROR) {
        }
        return initialized;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        scene.resources().write(c.file, c.bytes);
        scene.messages().clear();
        EXPECT_FALSE(initialize(c.file));
        EXPECT_EQ(scene.messages().texts(), c.messages);
        scene.resources().write(c.file, OceanScene::stagedFile(c.file));
        EXPECT_TRUE(initialize(c.file)) << "the shipped texture loads again";
    }
}
