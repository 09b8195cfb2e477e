#include <gtest/gtest.h>

#include "OceanScene.h"

#include "opengl/FFTWaterModelOpenGL.h"
#include "opengl/OpenGLEntryPoints.h"

#include <GL/gl.h>

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

} // namespace

// The simulated buffers reach the textures the grid samples, with the slope-foam mipmaps; a
// height map given to the environment is read back.
TEST(FFTWaterModelOpenGLTest, TexturesHoldTheBuffersAndTheHeightMapIsReadBack)
{
    OceanScene::Options options = OceanScene::bareOptions(
        "fft-force-cpu = true\nfft-measure-plans = false\nfft-grid-dimension-x = 32\n"
        "fft-grid-dimension-y = 64\nfft-exact-normals = false\nfft-choppiness = 1.0\n",
        Maris::OpenGL2);
    options.openGL = true;
    OceanScene setup(options);
    ASSERT_TRUE(setup.ready()) << setup.failure();
    setup.setWind(15.0, 0.3);
    const GLuint program = linkTestProgram("void main() { gl_Position = gl_Vertex; }\n", nullptr);
    ASSERT_NE(program, 0u);
    std::srand(3);
    Maris::FFTWaterModelOpenGL model(&setup.environment(), 2);
    ASSERT_TRUE(model.Initialize(program, program, false));
    const GLuint displacement = model.GetDisplacementTexture();
    const GLuint slopeFoam = model.GetSlopeFoamTexture();
    ASSERT_TRUE(displacement && slopeFoam);
    const int rows = 32, columns = 64, texels = rows * columns;
    // The grid's preparation uploads, and so does the patch's.
    for (double time : {2.5, 3.0}) {
        ASSERT_TRUE(model.UpdateSimulation(time));
        ASSERT_TRUE(time < 3.0 ? model.PrepareShader(time) : model.PreparePatchShader(time));
        EXPECT_EQ(readTexture(displacement, 0, texels),
                  copyBuffer(model.GetDisplacementBuffer(), 3 * texels));
        EXPECT_EQ(readTexture(slopeFoam, 0, texels),
                  copyBuffer(model.GetSlopeFoamBuffer(), 3 * texels));
    }
    // Level 1 of the foam averages 2 × 2 texels of the upload.
    const float* foam = model.GetSlopeFoamBuffer() + 2;
    const std::vector<float> level1 = readTexture(slopeFoam, 1, texels / 4);
    for (int i : {0, 5 * columns / 2 + 7, texels / 4 - 1}) {
        const int at = 2 * (i / (columns / 2)) * columns + 2 * (i % (columns / 2));
        const float mean =
            0.25f * (foam[3 * at] + foam[3 * (at + 1)] + foam[3 * (at + columns)] +
                     foam[3 * (at + columns + 1)]);
        ASSERT_NE(mean, 0.0f) << "some foam, so that the comparisons can fail";
        EXPECT_NEAR(level1[3 * i + 2], mean, 1e-4 + 1e-3 * std::fabs(mean)) << "texel " << i;
    }

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
