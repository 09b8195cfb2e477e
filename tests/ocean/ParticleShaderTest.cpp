#include "OceanScene.h"
#include "TemporaryDirectory.h"

#include "core/Configuration.h"
#include "opengl/OpenGLEntryPoints.h"
#include "opengl/ParticleShaderProgram.h"
#include "opengl/ParticleSystemOpenGL.h"
#include "grid/ProjectedGrid.h"
#include "opengl/SprayManagerOpenGL.h"
#include "opengl/SprayTexture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <ostream>
#include <sstream>
#include <string>

namespace {

Maris::ProjectedGrid* someGrid()
{
    static Maris::ProjectedGrid grid(false);
    return &grid;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool contains(const std::vector<std::string>& texts, const std::string& wanted)
{
    for (const std::string& text : texts)
        if (text.find(wanted) != std::string::npos)
            return true;
    return false;
}

// Every preamble the renderers choose, with the renderer and context that use it.
struct PreambleCase
{
    Maris::Renderer renderer;
    bool pointSprites;
    GLXTestContext::Profile profile;
    const char* expected;
    const char* name;
};

void PrintTo(const PreambleCase& c, std::ostream* out)
{
    *out << c.name;
}

class ParticleShaderPreambles : public ::testing::TestWithParam<PreambleCase>
{
};

} // namespace

TEST_P(ParticleShaderPreambles, CompileLinkAndOfferEveryParticleInput)
{
    const PreambleCase& c = GetParam();
    OceanScene scene(OceanScene::shippedOptions(c.renderer, c.profile));
    ASSERT_TRUE(scene.ready()) << scene.failure();
    const char* preamble = Maris::ParticleShaderPreamble(c.renderer, c.pointSprites);
    EXPECT_STREQ(preamble, c.expected);

    Maris::ParticleShaderProgram shaders;
    ASSERT_TRUE(Maris::BuildParticleShaderProgram(&scene.environment(), preamble, "test: ", shaders))
        << ::testing::PrintToString(scene.messages().texts());
    EXPECT_NE(shaders.vertexShader, 0u);
    EXPECT_NE(shaders.fragmentShader, 0u);

    // The particle system finds all twelve uniforms and the attributes its layout needs.
    if (c.pointSprites)
        Maris::Configuration::SetConfigEntry("spray-force-point-sprites", "true");
    const std::uint32_t texture = Maris::CreateSprayTexture(&scene.environment());
    ASSERT_NE(texture, 0u);
    {
        Maris::ParticleSystemOpenGL system(&scene.environment());
        EXPECT_TRUE(system.Initialize(texture, shaders.program, 16, someGrid()))
            << ::testing::PrintToString(scene.messages().texts());
        EXPECT_EQ(system.UsesPointSprites(), c.pointSprites);
        const char* always[] = {"initialPosition", "initialVelocity", "size", "startTime"};
        for (const char* name : always)
            EXPECT_GE(Maris::glGetAttribLocation(shaders.program, name), 0) << name;
        if (!c.pointSprites) {
            const char* quad[] = {"offsetX", "offsetY", "texCoordX", "texCoordY"};
            for (const char* name : quad)
                EXPECT_GE(Maris::glGetAttribLocation(shaders.program, name), 0) << name;
        }
        system.Draw(1.0);
    }
    glDeleteTextures(1, &texture);
    Maris::DeleteParticleShaderProgram(shaders);
    EXPECT_TRUE(scene.messages().texts().empty())
        << ::testing::PrintToString(scene.messages().texts());
}

INSTANTIATE_TEST_SUITE_P(
    AllRenderers, ParticleShaderPreambles,
    ::testing::Values(
        PreambleCase{Maris::OpenGL2, false, GLXTestContext::Profile::Compatibility, "#version 120\n",
                     "GLSL120Quads"},
        PreambleCase{Maris::OpenGL2, true, GLXTestContext::Profile::Compatibility,
                     "#version 120\n#define POINT_SPRITES\n", "GLSL120PointSprites"},
        PreambleCase{Maris::OpenGL32, false, GLXTestContext::Profile::Core,
                     "#version 150\n#define OPENGL32\n", "GLSL150CoreQuads"},
        PreambleCase{Maris::OpenGL41, true, GLXTestContext::Profile::Core,
                     "#version 150\n#define OPENGL32\n#define POINT_SPRITES\n",
                     "GLSL150CorePointSprites"},
        PreambleCase{Maris::OpenGL40, false, GLXTestContext::Profile::Compatibility,
                     "#version 150\n#define OPENGL32\n", "GLSL150CompatibilityQuads"}),
    [](const ::testing::TestParamInfo<PreambleCase>& info) { return std::string(info.param.name); });

TEST(ParticleShaderFailures, CompileErrorsNameTheirManagerAndLinkFailureIsReported)
{
    TemporaryDirectory directory;
    directory.write("Maris.config", "enable-debug-messages = true\n");
    directory.write("particle.glsl", "void main() { this is not glsl; }\n");
    directory.write("particle-frag.glsl",
                    readFile(std::string(MARIS_RESOURCES_DIR) + "/particle-frag.glsl"));
    OceanScene scene(OceanScene::shippedOptions(Maris::OpenGL2, GLXTestContext::Profile::Compatibility, directory.path()));
    ASSERT_TRUE(scene.ready()) << scene.failure();

    Maris::ParticleShaderProgram shaders;
    EXPECT_FALSE(Maris::BuildParticleShaderProgram(&scene.environment(), "#version 120\n",
                                                   "GLSL error detected in spray manager!\n",
                                                   shaders));
    EXPECT_EQ(shaders.program, 0u);
    const std::vector<std::string> texts = scene.messages().texts();
    EXPECT_TRUE(contains(texts, "GLSL error detected in spray manager!\n"));
    EXPECT_TRUE(contains(texts, "Failed to link particle shader program for OpenGL."));
}

TEST(ParticleShaderFailures, ProgramWithoutParticleUniformsIsRefused)
{
    OceanScene scene{OceanScene::shippedOptions()};
    ASSERT_TRUE(scene.ready()) << scene.failure();
    const char* vertex = "#version 120\nattribute vec3 initialPosition;\n"
                         "void main() { gl_Position = vec4(initialPosition, 1.0); }\n";
    const char* fragment = "#version 120\nvoid main() { gl_FragColor = vec4(1.0); }\n";
    const GLuint program = linkTestProgram(vertex, fragment);
    ASSERT_NE(program, 0u);
    const std::uint32_t texture = Maris::CreateSprayTexture(&scene.environment());
    Maris::ParticleSystemOpenGL system(&scene.environment());
    EXPECT_FALSE(system.Initialize(texture, program, 8, someGrid()));
    EXPECT_TRUE(contains(scene.messages().texts(), "Expected particle uniforms not found."));
    glDeleteTextures(1, &texture);
    Maris::glDeleteProgram(program);
}

TEST(ParticleShaderFailures, MissingSprayTextureIsReported)
{
    TemporaryDirectory directory;
    directory.write("Maris.config", "\n");
    OceanScene scene(OceanScene::shippedOptions(Maris::OpenGL2, GLXTestContext::Profile::Compatibility, directory.path()));
    ASSERT_TRUE(scene.ready()) << scene.failure();
    EXPECT_EQ(Maris::CreateSprayTexture(&scene.environment()), 0u);
    EXPECT_TRUE(contains(scene.messages().texts(), "Couldn't load spray texture"));
}
