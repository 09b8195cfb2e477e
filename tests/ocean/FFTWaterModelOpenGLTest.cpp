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

std::vector<float> readTexture(GLuint texture, int level, int texels)
{
    std::vector<float> data(3 * texels, -999.0f);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, level, GL_RGB, GL_FLOAT, data.data());
    return data;
}

GLuint boundTexture(GLenum unit)
{
    GLint bound = 0;
    Maris::glActiveTexture(unit);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    Maris::glActiveTexture(GL_TEXTURE0);
    return static_cast<GLuint>(bound);
}

class FFTWaterModelOpenGLTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(context->isCurrent()) << context->failure(); }

    MessageCapture messages;
    const std::unique_ptr<GLXTestContext> context =
        openTestContext(GLXTestContext::Profile::Compatibility);
};

} // namespace

// The simulated buffers reach the textures the grid samples, with the slope-foam mipmaps.
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
    const GLuint program = linkTestProgram("void main() { gl_Position = gl_Vertex; }\n", nullptr);
    ASSERT_NE(program, 0u);
    std::srand(3);
    Maris::FFTWaterModelOpenGL model(&setup.environment(), 2);
    ASSERT_TRUE(model.Initialize(program, program, false));
    const GLuint displacement = model.GetDisplacementTexture();
    const GLuint slopeFoam = model.GetSlopeFoamTexture();
    ASSERT_TRUE(displacement && slopeFoam);
    const int rows = 32, columns = 64, texels = rows * columns;
    EXPECT_EQ(readTexture(slopeFoam, 0, texels), std::vector<float>(3 * texels, 0.0f))
        << "the slope-foam texture starts out zero";

    // The grid's preparation uploads, and so does the patch's.
    for (double time : {2.5, 3.0}) {
        ASSERT_TRUE(model.UpdateSimulation(time));
        ASSERT_TRUE(time < 3.0 ? model.PrepareShader(time) : model.PreparePatchShader(time));
        EXPECT_EQ(readTexture(displacement, 0, texels),
                  copyBuffer(model.GetDisplacementBuffer(), 3 * texels));
        EXPECT_EQ(readTexture(slopeFoam, 0, texels), copyBuffer(model.GetSlopeFoamBuffer(), 3 * texels));
    }
    EXPECT_EQ(boundTexture(GL_TEXTURE2), displacement);
    EXPECT_EQ(boundTexture(GL_TEXTURE3), slopeFoam);

    // Level 1 averages 2 × 2 texels of the upload.
    const std::vector<float> level0 = copyBuffer(model.GetSlopeFoamBuffer(), 3 * texels);
    const std::vector<float> level1 = readTexture(slopeFoam, 1, texels / 4);
    const int r = 5, c = 7;
    for (int component = 0; component < 3; ++component) {
        const auto at = [&](int row, int column) { return level0[3 * (row * columns + column) + component]; };
        const float mean = 0.25f * (at(2 * r, 2 * c) + at(2 * r, 2 * c + 1) + at(2 * r + 1, 2 * c) +
                                    at(2 * r + 1, 2 * c + 1));
        EXPECT_NEAR(level1[3 * (r * columns / 2 + c) + component], mean, 1e-4 + 1e-3 * std::fabs(mean));
    }
    double foam = 0.0;
    for (int i = 0; i < texels; ++i)
        foam += std::fabs(level0[3 * i + 2]);
    EXPECT_GT(foam, 0.0) << "some foam, so that the comparisons can fail";
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

    const std::vector<float> heights = {-5.0f, -2.5f, 0.0f, 1.0f, 2.0f, 3.5f, -8.0f, 12.0f};
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_R32F, 4, 2, 0, GL_RED, GL_FLOAT, heights.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    double matrix[16] = {0.5, 0, 0, 0, 0, 0.5, 0, 0, 0, 0, 0.5, 0, 0, 0, 0, 0.5};
    setup.environment().SetHeightMap(texture, matrix);
    model.UpdateHeightMap();
    ASSERT_NE(model.GetHeightMap(), nullptr);
    EXPECT_EQ(model.GetHeightMapWidth(), 4);
    EXPECT_EQ(model.GetHeightMapHeight(), 2);
    EXPECT_EQ(copyBuffer(model.GetHeightMap(), 8), heights);
    glDeleteTextures(1, &texture);
}
