#include <gtest/gtest.h>

#include "OceanScene.h"
#include "MessageCapture.h"

#include "opengl/FFTWaterModelOpenGL.h"
#include "opengl/OpenGLEntryPoints.h"

// After GoogleTest: the X11 headers define macros such as None.
#include <GL/glx.h>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

const char* const vertexSource =
    "uniform sampler2D displacementMap;\n"
    "uniform sampler2D slopeFoamMap;\n"
    "uniform vec2 textureSize;\n"
    "uniform float noiseAmplitude;\n"
    "uniform float invNoiseDistance;\n"
    "uniform float invDampingDistance;\n"
    "uniform float textureLODBias;\n"
    "uniform float time;\n"
    "void main()\n"
    "{\n"
    "    vec2 uv = gl_Vertex.xy / textureSize;\n"
    "    vec3 d = texture2DLod(displacementMap, uv, 0.0).xyz;\n"
    "    vec3 s = texture2DLod(slopeFoamMap, uv, textureLODBias).xyz;\n"
    "    gl_Position = vec4(d + s * noiseAmplitude * invNoiseDistance * invDampingDistance * time,"
    " 1.0);\n"
    "}\n";
const char* const fragmentSource = "void main() { gl_FragColor = vec4(1.0); }\n";

GLuint link()
{
    const std::string vertex = std::string("#version 120\n") + vertexSource;
    const std::string fragment = std::string("#version 120\n") + fragmentSource;
    return linkTestProgram(vertex.c_str(), fragment.c_str());
}

float uniformFloat(GLuint program, const char* name, int component = 0)
{
    static auto getUniform = reinterpret_cast<PFNGLGETUNIFORMFVPROC>(
        glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glGetUniformfv")));
    float values[4] = {0, 0, 0, 0};
    getUniform(program, Maris::glGetUniformLocation(program, name), values);
    return values[component];
}

int uniformInt(GLuint program, const char* name)
{
    static auto getUniform = reinterpret_cast<PFNGLGETUNIFORMIVPROC>(
        glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glGetUniformiv")));
    int value = -1;
    getUniform(program, Maris::glGetUniformLocation(program, name), &value);
    return value;
}

std::vector<float> readTexture(GLuint texture, int level, int texels)
{
    std::vector<float> data(3 * texels, -999.0f);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, level, GL_RGB, GL_FLOAT, data.data());
    return data;
}

GLint textureParameter(GLuint texture, GLenum name)
{
    GLint value = 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
}

GLint levelParameter(GLuint texture, int level, GLenum name)
{
    GLint value = 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
    return value;
}

class FFTWaterModelOpenGLTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(context->isCurrent()) << context->failure(); }

    MessageCapture messages;
    const std::unique_ptr<GLXTestContext> context = openTestContext(GLXTestContext::Profile::Compatibility);
};

} // namespace

TEST_F(FFTWaterModelOpenGLTest, TexturesHoldTheBuffersAfterPrepareShader)
{
    OceanScene setup(OceanScene::bareOptions("fft-force-cpu = true\nfft-measure-plans = false\n"
                             "fft-grid-dimension-x = 32\nfft-grid-dimension-y = 64\n"
                             "fft-exact-normals = false\nfft-choppiness = 1.0\n",
                             Maris::OpenGL2));
    ASSERT_TRUE(setup.ready());
    Maris::WindFetch wind;
    wind.SetWind(15.0, 0.3);
    setup.environment().AddWindFetch(wind);
    const GLuint gridProgram = link();
    const GLuint patchProgram = link();
    ASSERT_TRUE(gridProgram && patchProgram);

    std::srand(3);
    Maris::FFTWaterModelOpenGL model(&setup.environment(), 2);
    ASSERT_TRUE(model.Initialize(gridProgram, patchProgram, false));
    const GLuint displacement = model.GetDisplacementTexture();
    const GLuint slopeFoam = model.GetSlopeFoamTexture();
    ASSERT_NE(displacement, 0u);
    ASSERT_NE(slopeFoam, 0u);
    const int rows = 32;
    const int columns = 64;
    for (GLuint texture : {displacement, slopeFoam}) {
        EXPECT_EQ(levelParameter(texture, 0, GL_TEXTURE_WIDTH), columns);
        EXPECT_EQ(levelParameter(texture, 0, GL_TEXTURE_HEIGHT), rows);
        EXPECT_EQ(levelParameter(texture, 0, GL_TEXTURE_INTERNAL_FORMAT), GL_RGB32F_ARB);
        EXPECT_EQ(textureParameter(texture, GL_TEXTURE_WRAP_S), GL_REPEAT);
        EXPECT_EQ(textureParameter(texture, GL_TEXTURE_WRAP_T), GL_REPEAT);
        EXPECT_EQ(textureParameter(texture, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    }
    EXPECT_EQ(textureParameter(displacement, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(textureParameter(slopeFoam, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    for (float value : readTexture(slopeFoam, 0, rows * columns))
        ASSERT_EQ(value, 0.0f) << "the slope-foam texture starts out zero";

    ASSERT_TRUE(model.UpdateSimulation(2.5));
    ASSERT_TRUE(model.PrepareShader(2.5));
    const int texels = rows * columns;
    const std::vector<float> expectedDisplacement(model.GetDisplacementBuffer(),
                                                  model.GetDisplacementBuffer() + 3 * texels);
    const std::vector<float> expectedSlopeFoam(model.GetSlopeFoamBuffer(),
                                               model.GetSlopeFoamBuffer() + 3 * texels);
    EXPECT_EQ(readTexture(displacement, 0, texels), expectedDisplacement);
    EXPECT_EQ(readTexture(slopeFoam, 0, texels), expectedSlopeFoam);
    double foamMagnitude = 0.0;
    for (int i = 0; i < texels; ++i)
        foamMagnitude += std::fabs(expectedSlopeFoam[3 * i + 2]);
    EXPECT_GT(foamMagnitude, 0.0);

    // The slope-foam mipmaps follow the upload: level 1 averages 2 × 2 texels.
    ASSERT_EQ(levelParameter(slopeFoam, 1, GL_TEXTURE_WIDTH), columns / 2);
    const std::vector<float> level1 = readTexture(slopeFoam, 1, texels / 4);
    for (int component = 0; component < 3; ++component) {
        const int r = 5;
        const int c = 7;
        const auto at = [&](int row, int column) {
            return expectedSlopeFoam[3 * (row * columns + column) + component];
        };
        const float mean = 0.25f * (at(2 * r, 2 * c) + at(2 * r, 2 * c + 1) + at(2 * r + 1, 2 * c) +
                                    at(2 * r + 1, 2 * c + 1));
        EXPECT_NEAR(level1[3 * (r * columns / 2 + c) + component], mean, 1e-4 + 1e-3 * std::fabs(mean));
    }

    // Bound on units 2 and 3 for the grid, with the uniforms set on the grid program.
    GLint bound = 0;
    Maris::glActiveTexture(GL_TEXTURE2);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), displacement);
    Maris::glActiveTexture(GL_TEXTURE3);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), slopeFoam);
    Maris::glActiveTexture(GL_TEXTURE0);
    EXPECT_EQ(uniformInt(gridProgram, "displacementMap"), 2);
    EXPECT_EQ(uniformInt(gridProgram, "slopeFoamMap"), 3);
    EXPECT_FLOAT_EQ(uniformFloat(gridProgram, "textureSize", 0), 1024.0f);
    EXPECT_FLOAT_EQ(uniformFloat(gridProgram, "textureSize", 1), 1024.0f);
    EXPECT_FLOAT_EQ(uniformFloat(gridProgram, "noiseAmplitude"), 0.05f * 15.0f / 10.0f);
    EXPECT_FLOAT_EQ(uniformFloat(gridProgram, "invNoiseDistance"), 1.0f / 500.0f);
    EXPECT_FLOAT_EQ(uniformFloat(gridProgram, "invDampingDistance"), 1.0f / 1000.0f);
    EXPECT_FLOAT_EQ(uniformFloat(gridProgram, "textureLODBias"), 0.8f);
    EXPECT_FLOAT_EQ(uniformFloat(gridProgram, "time"), 2.5f);
    EXPECT_EQ(uniformFloat(patchProgram, "time"), 0.0f) << "the patch program waits for its own call";

    ASSERT_TRUE(model.UpdateSimulation(3.0));
    ASSERT_TRUE(model.PreparePatchShader(3.0));
    EXPECT_FLOAT_EQ(uniformFloat(patchProgram, "time"), 3.0f);
    EXPECT_EQ(uniformInt(patchProgram, "slopeFoamMap"), 3);
    EXPECT_FLOAT_EQ(uniformFloat(gridProgram, "time"), 2.5f);
    EXPECT_EQ(readTexture(displacement, 0, texels),
              std::vector<float>(model.GetDisplacementBuffer(),
                                 model.GetDisplacementBuffer() + 3 * texels));
    EXPECT_EQ(messages.texts(),
              std::vector<std::string>{"(INFO) CPU-based FFT forced by fft-force-cpu setting."});
}

TEST_F(FFTWaterModelOpenGLTest, HeightMapIsReadBack)
{
    OceanScene setup(OceanScene::bareOptions("fft-force-cpu = true\nfft-measure-plans = false\n"
                             "fft-grid-dimension-x = 16\nfft-grid-dimension-y = 16\n",
                             Maris::OpenGL2));
    ASSERT_TRUE(setup.ready());
    Maris::FFTWaterModelOpenGL model(&setup.environment(), 1);
    ASSERT_TRUE(model.Initialize(0, 0, false));
    model.UpdateHeightMap();
    EXPECT_EQ(model.GetHeightMap(), nullptr) << "no height map, nothing read";

    const float heights[8] = {-5.0f, -2.5f, 0.0f, 1.0f, 2.0f, 3.5f, -8.0f, 12.0f};
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_R32F, 4, 2, 0, GL_RED, GL_FLOAT, heights);
    glBindTexture(GL_TEXTURE_2D, 0);
    double matrix[16] = {0};
    for (int i = 0; i < 4; ++i)
        matrix[5 * i] = 0.5;
    setup.environment().SetHeightMap(texture, matrix);
    model.UpdateHeightMap();
    ASSERT_NE(model.GetHeightMap(), nullptr);
    EXPECT_EQ(model.GetHeightMapWidth(), 4);
    EXPECT_EQ(model.GetHeightMapHeight(), 2);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(model.GetHeightMap()[i], heights[i]);
    glDeleteTextures(1, &texture);
}
