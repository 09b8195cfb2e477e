#include "OceanScene.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include "opengl/OceanLightingModelOpenGL.h"
#include "opengl/OpenGLEntryPoints.h"
#include "opengl/OpenGLErrorCheck.h"
#include "opengl/OpenGLExtensions.h"
#include "opengl/ProjectedGridOpenGL.h"

#include <GL/glu.h>
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The uniforms the library sets on the sea's programs: the grid's, the lighting model's, the
// wave models' and the wake manager's (array members by the name before the brackets).
std::set<std::string> uniformsSet()
{
    std::set<std::string> names(std::begin(Maris::ProjectedGridOpenGL::uniformNames),
                                std::end(Maris::ProjectedGridOpenGL::uniformNames));
    names.insert(std::begin(Maris::OceanLightingModelOpenGL::uniformNames),
                 std::end(Maris::OceanLightingModelOpenGL::uniformNames));
    for (const char* name : {"numWaves", "time", "waves", "displacementMap", "slopeFoamMap",
                             "textureSize", "noiseAmplitude", "invNoiseDistance",
                             "invDampingDistance", "textureLODBias", "doWakes", "washLength",
                             "wakes"})
        names.insert(name);
    return names;
}

// Builds the sea's programs for the renderer, the coordinate system, the wave model and the four
// options of the flags; false when a fatal failure ended it.
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
    EXPECT_TRUE(scene.messages().texts().empty())
        << ::testing::PrintToString(scene.messages().texts());
    EXPECT_NE(grid.GetShader(), 0u);
    EXPECT_EQ(grid.GetPatchShader() != 0u, type != Maris::GerstnerWaves);
    static const std::set<std::string> known = uniformsSet();
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
        if (renderer >= Maris::OpenGL32) {
            EXPECT_GE(Maris::glGetAttribLocation(program, "vertex"), 0);
        }
    }
    return !::testing::Test::HasFailure();
}

// Both coordinate families, a Gerstner and an FFT sea, every combination of the four options.
void checkAllVariants(Maris::Renderer renderer)
{
    for (Maris::CoordinateSystem system : {Maris::FlatZUp, Maris::GeocentricEllipsoidZUp})
        for (Maris::WaterModelType type : {Maris::GerstnerWaves, Maris::PhillipsSpectrum})
            for (int flags = 0; flags < 16; ++flags)
                if (!checkVariant(renderer, system, type, flags))
                    return; // the first failing variant says enough
}

} // namespace

TEST(SeaShaders, EveryProgramCompilesLinksAndReadsOnlyWhatIsSetCompatibility)
{
    checkAllVariants(Maris::OpenGL2);
}

TEST(SeaShaders, EveryProgramCompilesLinksAndReadsOnlyWhatIsSetOpenGL32)
{
    checkAllVariants(Maris::OpenGL32);
}

// Only whole names of the list match, also with an error left pending by earlier calls; each
// error is reported with its source location and consumed.
TEST(OpenGL, ExtensionsMatchWholeNamesAndErrorsAreReportedWhereTheyArose)
{
    // Initializing an OpenGL environment is what fetches the entry points.
    OceanScene::Options options = OceanScene::bareOptions("\n", Maris::OpenGL2);
    options.openGL = true;
    OceanScene scene(options);
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
    ASSERT_EQ(messages.entries().size(), 2u);
    EXPECT_EQ(messages.entries()[0].line, "MARIS: GL error in GridRenderer.cpp line 42:\n");
    EXPECT_EQ(messages.entries()[1].line,
              std::string("MARIS: ") +
                  reinterpret_cast<const char*>(gluErrorString(GL_INVALID_ENUM)) + "\n");
    messages.clear();
    EXPECT_TRUE(MARIS_CHECK_GL_ERROR()) << "the errors were consumed";
    EXPECT_TRUE(messages.entries().empty());
}
