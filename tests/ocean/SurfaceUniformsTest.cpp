#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include "OceanScene.h"

#include "opengl/GerstnerWaterModelOpenGL.h"
#include "opengl/OceanLightingModelOpenGL.h"
#include "opengl/OpenGLEntryPoints.h"
#include "opengl/ProjectedGridOpenGL.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace {

int uniformInt(GLuint program, const char* name)
{
    int value = -12345;
    glGetUniformiv(program, Maris::glGetUniformLocation(program, name), &value);
    return value;
}

GLint boundTexture(GLenum unit, GLenum target)
{
    Maris::glActiveTexture(unit);
    GLint texture = -1;
    glGetIntegerv(target == GL_TEXTURE_CUBE_MAP ? GL_TEXTURE_BINDING_CUBE_MAP : GL_TEXTURE_BINDING_2D,
                  &texture);
    Maris::glActiveTexture(GL_TEXTURE0);
    return texture;
}

// A grid with its program, ready for the models to be attached.
struct GridScene
{
    explicit GridScene(const std::string& configuration = "", double metersPerUnit = 1.0)
        : scene(options(configuration))
    {
        if (!scene.ready())
            return;
        scene.environment().SetMetersPerUnit(metersPerUnit);
        ready = grid.Initialize(&scene.environment(), Maris::GerstnerWaves, 32);
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

TEST(LightingUniforms, WithoutAnEnvironmentMapUnitZeroIsLeftAlone)
{
    GridScene sea;
    ASSERT_TRUE(sea.ready);
    GLuint other = 0;
    glGenTextures(1, &other);
    glBindTexture(GL_TEXTURE_CUBE_MAP, other);
    Maris::OceanLightingModelOpenGL lighting(&sea.scene.environment());
    ASSERT_TRUE(lighting.Initialize(sea.grid.GetShader(), 0));
    ASSERT_TRUE(lighting.SetUniforms());
    EXPECT_EQ(uniformInt(sea.grid.GetShader(), "hasEnvMap"), 0);
    EXPECT_EQ(uniformInt(sea.grid.GetShader(), "hasPlanarReflectionMap"), 0);
    EXPECT_EQ(boundTexture(GL_TEXTURE0, GL_TEXTURE_CUBE_MAP), static_cast<GLint>(other));
    glDeleteTextures(1, &other);
}

TEST(LightingSettings, NegativeValuesFailWithTheirMessages)
{
    const std::pair<const char*, const char*> cases[] = {
        {"refract-color-green = -0.1", "Negative refraction color value specified."},
        {"shininess = -1", "Negative shininess specified."},
        {"foam-scale = -3", "Negative foam-scale specified."},
        {"foam-blend = -0.5", "Negative foam-blend specified."}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        GridScene sea(c.first);
        ASSERT_TRUE(sea.ready);
        Maris::OceanLightingModelOpenGL lighting(&sea.scene.environment());
        EXPECT_FALSE(lighting.Initialize(sea.grid.GetShader(), 0));
        EXPECT_EQ(sea.scene.messages().texts(), std::vector<std::string>{c.second});
    }
}

TEST(LightingSettings, AMissingTextureNamesItself)
{
    GridScene sea;
    ASSERT_TRUE(sea.ready);
    std::remove((sea.scene.resources().path() + "/perlin.tga").c_str());
    Maris::OceanLightingModelOpenGL lighting(&sea.scene.environment());
    EXPECT_FALSE(lighting.Initialize(sea.grid.GetShader(), 0));
    const std::vector<std::string> texts = sea.scene.messages().texts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], "Failed to load the following resource:");
    EXPECT_NE(texts[1].find("perlin.tga"), std::string::npos);
    EXPECT_EQ(texts[2], "Could not load the OpenGL noise texture.");
}

TEST(GerstnerUniforms, AShaderWithTooFewWaveSlotsFailsWithTheMaxWavesMessage)
{
    std::smatch match;
    const std::string text = OceanScene::stagedFile("projgrid-flat-gerstner.glsl");
    ASSERT_TRUE(std::regex_search(text, match, std::regex("#define MAX_WAVES ([0-9]+)")));
    const int slots = std::stoi(match[1]);
    {
        GridScene sea("num-gerstner-waves = " + std::to_string(slots));
        ASSERT_TRUE(sea.ready);
        Maris::GerstnerWaterModelOpenGL model(&sea.scene.environment());
        EXPECT_TRUE(model.Initialize(sea.grid.GetShader(), 0, false));
    }
    GridScene sea("num-gerstner-waves = " + std::to_string(slots + 1));
    ASSERT_TRUE(sea.ready);
    Maris::GerstnerWaterModelOpenGL model(&sea.scene.environment());
    EXPECT_FALSE(model.Initialize(sea.grid.GetShader(), 0, false));
    EXPECT_EQ(sea.scene.messages().texts(),
              std::vector<std::string>{
                  "One or more wave parameters not found in the OpenGL Gerstner shader. Did you "
                  "change the number of waves in the config file but not update the MAX_WAVES "
                  "definition in the .glsl files?"});
}

TEST(GerstnerUniforms, AProgramWithoutTheWaveInputsFails)
{
    GridScene sea;
    ASSERT_TRUE(sea.ready);
    // The lighting-only fragment program of another grid has no waves at all.
    const GLuint program = linkTestProgram(
        "#version 120\nuniform float numWaves;\nvoid main() { gl_Position = vec4(numWaves); }\n", nullptr);
    ASSERT_NE(program, 0u);
    Maris::GerstnerWaterModelOpenGL model(&sea.scene.environment());
    EXPECT_FALSE(model.Initialize(program, 0, false));
    ASSERT_FALSE(sea.scene.messages().texts().empty());
    EXPECT_NE(sea.scene.messages().texts()[0].find("One or more wave parameters"), std::string::npos);
    Maris::glDeleteProgram(program);
}
