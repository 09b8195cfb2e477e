#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include "SurfaceScene.h"

#include "opengl/GerstnerWaterModelOpenGL.h"
#include "opengl/OceanLightingModelOpenGL.h"
#include "opengl/OpenGLEntryPoints.h"
#include "opengl/ProjectedGridOpenGL.h"

#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <string>
#include <vector>

namespace {

float uniformFloat(GLuint program, const char* name)
{
    float value = -12345.0f;
    glGetUniformfv(program, Maris::glGetUniformLocation(program, name), &value);
    return value;
}

std::vector<float> uniformFloats(GLuint program, const char* name, int count)
{
    std::vector<float> values(static_cast<std::size_t>(count), -12345.0f);
    glGetUniformfv(program, Maris::glGetUniformLocation(program, name), values.data());
    return values;
}

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

void expectVector(const std::vector<float>& actual, const Maris::Vector3& expected)
{
    ASSERT_EQ(actual.size(), 3u);
    EXPECT_NEAR(actual[0], expected.x, 1e-6);
    EXPECT_NEAR(actual[1], expected.y, 1e-6);
    EXPECT_NEAR(actual[2], expected.z, 1e-6);
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
    static SurfaceScene::Options options(const std::string& configuration)
    {
        SurfaceScene::Options o;
        o.configuration = "wake-propeller-backwash = true\n" + configuration;
        return o;
    }
    SurfaceScene scene;
    Maris::ProjectedGridOpenGL grid{false};
    bool ready = false;
};

} // namespace

TEST(LightingUniforms, SetUniformsWritesTheLightAndBindsTheTexturesOnTheirUnits)
{
    GridScene sea("refract-color-red = 0.1\nshininess = 7.5\nfoam-scale = 32\nfoam-blend = 0.25", 2.0);
    ASSERT_TRUE(sea.ready) << ::testing::PrintToString(sea.scene.messages().texts());
    sea.scene.useSkyCubeMap();
    const double planar[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    GLuint reflection = 0;
    glGenTextures(1, &reflection);
    sea.scene.environment().SetPlanarReflectionMap(reflection, planar, 0.125f);

    Maris::OceanLightingModelOpenGL lighting(&sea.scene.environment());
    const GLuint program = sea.grid.GetShader();
    ASSERT_TRUE(lighting.Initialize(program, 0));
    ASSERT_TRUE(lighting.SetUniforms());

    const Maris::Environment& environment = sea.scene.environment();
    expectVector(uniformFloats(program, "L", 3), environment.GetLightDirection());
    expectVector(uniformFloats(program, "lightColor", 3), environment.GetLightColor());
    expectVector(uniformFloats(program, "ambientColor", 3), environment.GetAmbientColor());
    expectVector(uniformFloats(program, "refractColor", 3), Maris::Vector3(0.1, 0.2, 0.3));
    EXPECT_FLOAT_EQ(uniformFloat(program, "shininess"), 7.5f);
    EXPECT_FLOAT_EQ(uniformFloat(program, "foamScale"), 16.0f); // 32 m at 2 m per unit
    EXPECT_FLOAT_EQ(uniformFloat(program, "foamBlend"), 0.25f);
    EXPECT_FLOAT_EQ(uniformFloat(program, "planarReflectionDisplacementScale"), 0.125f);
    EXPECT_EQ(uniformInt(program, "cubeMap"), 0);
    EXPECT_EQ(uniformInt(program, "hasEnvMap"), 1);
    EXPECT_EQ(uniformInt(program, "planarReflectionMap"), 6);
    EXPECT_EQ(uniformInt(program, "hasPlanarReflectionMap"), 1);
    EXPECT_EQ(uniformInt(program, "foamTex"), 1);
    EXPECT_EQ(uniformInt(program, "washTex"), 4);
    EXPECT_EQ(uniformInt(program, "noiseTex"), 7);

    EXPECT_EQ(boundTexture(GL_TEXTURE0, GL_TEXTURE_CUBE_MAP), static_cast<GLint>(environment.GetEnvironmentMap()));
    EXPECT_EQ(boundTexture(GL_TEXTURE6, GL_TEXTURE_2D), static_cast<GLint>(reflection));
    EXPECT_EQ(boundTexture(GL_TEXTURE1, GL_TEXTURE_2D), static_cast<GLint>(lighting.GetFoamTexture()));
    EXPECT_EQ(boundTexture(GL_TEXTURE4, GL_TEXTURE_2D), static_cast<GLint>(lighting.GetWashTexture()));
    EXPECT_EQ(boundTexture(GL_TEXTURE7, GL_TEXTURE_2D), static_cast<GLint>(lighting.GetNoiseTexture()));
    glDeleteTextures(1, &reflection);
}

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

TEST(LightingTextures, FiltersWrapsAndSignedFormats)
{
    GridScene sea;
    ASSERT_TRUE(sea.ready);
    Maris::OceanLightingModelOpenGL lighting(&sea.scene.environment());
    ASSERT_TRUE(lighting.Initialize(sea.grid.GetShader(), 0));
    struct Expected
    {
        GLuint texture;
        GLint wrapS;
        GLint format;
        bool negativeValues;
    };
    // The scene's foam and noise are 24-bit files, wash a 32-bit one.
    const Expected textures[3] = {{lighting.GetFoamTexture(), GL_REPEAT, GL_RGB, false},
                                  {lighting.GetNoiseTexture(), GL_REPEAT, GL_RGB8_SNORM, true},
                                  {lighting.GetWashTexture(), GL_CLAMP_TO_EDGE, GL_RGBA8_SNORM, true}};
    for (const Expected& e : textures) {
        glBindTexture(GL_TEXTURE_2D, e.texture);
        GLint value = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
        EXPECT_EQ(value, GL_LINEAR_MIPMAP_LINEAR);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &value);
        EXPECT_EQ(value, GL_LINEAR);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &value);
        EXPECT_EQ(value, e.wrapS);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &value);
        EXPECT_EQ(value, GL_REPEAT);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &value);
        EXPECT_EQ(value, e.format);
        // Mipmaps down to one texel.
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 6, GL_TEXTURE_WIDTH, &value);
        EXPECT_EQ(value, 1);
        std::vector<float> texels(64 * 64 * 4);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, texels.data());
        float smallest = 1.0f;
        for (std::size_t i = 0; i < texels.size(); i += 4)
            smallest = std::min(smallest, texels[i]);
        EXPECT_EQ(smallest < -0.1f, e.negativeValues);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
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

TEST(GerstnerUniforms, PrepareShaderWritesEveryWaveAndTheTime)
{
    GridScene sea;
    ASSERT_TRUE(sea.ready);
    Maris::GerstnerWaterModelOpenGL model(&sea.scene.environment());
    const GLuint program = sea.grid.GetShader();
    ASSERT_TRUE(model.Initialize(program, 0, false)) << ::testing::PrintToString(sea.scene.messages().texts());
    ASSERT_TRUE(model.PrepareShader(12.5));
    EXPECT_FLOAT_EQ(uniformFloat(program, "time"), 12.5f);
    EXPECT_EQ(uniformInt(program, "numWaves"), model.GetWaveCount());
    for (int i = 0; i < model.GetWaveCount(); ++i) {
        const Maris::GerstnerWave& wave = model.GetWaves()[i];
        const std::string prefix = "waves[" + std::to_string(i) + "].";
        EXPECT_FLOAT_EQ(uniformFloat(program, (prefix + "frequency").c_str()), wave.frequency);
        EXPECT_FLOAT_EQ(uniformFloat(program, (prefix + "amplitude").c_str()), wave.amplitude);
        EXPECT_FLOAT_EQ(uniformFloat(program, (prefix + "steepness").c_str()), wave.steepness);
        EXPECT_FLOAT_EQ(uniformFloat(program, (prefix + "phaseSpeed").c_str()), wave.phaseSpeed);
        const std::vector<float> direction = uniformFloats(program, (prefix + "direction").c_str(), 2);
        EXPECT_FLOAT_EQ(direction[0], wave.directionX);
        EXPECT_FLOAT_EQ(direction[1], wave.directionY);
        EXPECT_GT(wave.amplitude, 0.0f);
    }
}

TEST(GerstnerUniforms, AShaderWithTooFewWaveSlotsFailsWithTheMaxWavesMessage)
{
    std::smatch match;
    const std::string text = SurfaceScene::stagedFile("projgrid-flat-gerstner.glsl");
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
    const GLuint program = Maris::glCreateProgram();
    const char* source = "#version 120\nuniform float numWaves;\nvoid main() { gl_Position = vec4(numWaves); }\n";
    const GLuint shader = Maris::glCreateShader(GL_VERTEX_SHADER);
    Maris::glShaderSource(shader, 1, &source, nullptr);
    Maris::glCompileShader(shader);
    Maris::glAttachShader(program, shader);
    Maris::glLinkProgram(program);
    Maris::GerstnerWaterModelOpenGL model(&sea.scene.environment());
    EXPECT_FALSE(model.Initialize(program, 0, false));
    ASSERT_FALSE(sea.scene.messages().texts().empty());
    EXPECT_NE(sea.scene.messages().texts()[0].find("One or more wave parameters"), std::string::npos);
    Maris::glDeleteProgram(program);
    Maris::glDeleteShader(shader);
}
