#include "OceanScene.h"

#include "opengl/GerstnerWaterModelOpenGL.h"
#include "opengl/OceanLightingModelOpenGL.h"
#include "opengl/ProjectedGridOpenGL.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Writes what the shipped grid vertex shader computed for each pixel: local x, local y and the
// displaced height. Shaders are found through the configured file-name prefix.
const char* const heightFragmentShader = R"(
#ifdef OPENGL32
in vec3 vLocal;
out vec4 height;
void main() { height = vec4(vLocal, 1.0); }
#else
varying vec3 vLocal;
void main() { gl_FragColor = vec4(vLocal, 1.0); }
#endif
)";

using SurfaceHeights = ::testing::TestWithParam<Maris::Renderer>;

} // namespace

TEST_P(SurfaceHeights, DrawnGerstnerSurfaceAgreesWithTheHeightQuery)
{
    const Maris::Renderer renderer = GetParam();
    OceanScene::Options options;
    options.renderer = renderer;
    options.profile = renderer >= Maris::OpenGL32 ? GLXTestContext::Profile::Core
                                                 : GLXTestContext::Profile::Compatibility;
    options.width = 160;
    options.height = 120;
    options.floatTarget = true;
    options.configuration = "shader-filename-prefix = heights-\nnum-gerstner-waves = 6";
    OceanScene scene(options);
    ASSERT_TRUE(scene.ready()) << scene.failure();
    scene.resources().write("heights-projgrid-flat-gerstner.glsl",
                            OceanScene::stagedFile("projgrid-flat-gerstner.glsl"));
    scene.resources().write("heights-ocean-frag-gerstner.glsl", heightFragmentShader);
    scene.environment().SimulateSeaState(6.0, 0.7);
    scene.lookAt(Maris::Vector3(15, -40, 60), Maris::Vector3(30, 20, 0), 60.0);

    Maris::ProjectedGridOpenGL grid(false);
    ASSERT_TRUE(grid.Initialize(&scene.environment(), Maris::GerstnerWaves, 512))
        << ::testing::PrintToString(scene.messages().texts());
    auto* model = new Maris::GerstnerWaterModelOpenGL(&scene.environment());
    auto* lighting = new Maris::OceanLightingModelOpenGL(&scene.environment());
    ASSERT_TRUE(model->Initialize(grid.GetShader(), 0, false));
    ASSERT_TRUE(lighting->Initialize(grid.GetShader(), 0));
    grid.SetWaterModel(model);
    grid.SetLightingModel(lighting);

    scene.clear(0, 0, 0, 0);
    grid.Draw(17.25, true);
    std::vector<float> pixels(160 * 120 * 4);
    glReadPixels(0, 0, 160, 120, GL_RGBA, GL_FLOAT, pixels.data());

    int covered = 0;
    double largest = 0.0;
    double amplitudeSeen = 0.0;
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
        if (pixels[i + 3] != 1.0f)
            continue;
        ++covered;
        Maris::Vector3 normal;
        const float expected =
            model->GetHeight(Maris::Vector3(pixels[i], pixels[i + 1], 0.0), &grid, normal);
        largest = std::max(largest, std::fabs(static_cast<double>(pixels[i + 2]) - expected));
        amplitudeSeen = std::max(amplitudeSeen, std::fabs(static_cast<double>(expected)));
    }
    // Every pixel shows real waves, drawn at the height the model answers there (to the
    // interpolation between grid vertices).
    EXPECT_EQ(covered, options.width * options.height);
    EXPECT_GT(amplitudeSeen, 1.0);
    EXPECT_LT(largest, 0.01 * model->GetMaxAmplitude()) << "of " << model->GetMaxAmplitude();
}

INSTANTIATE_TEST_SUITE_P(Renderers, SurfaceHeights,
                         ::testing::Values(Maris::OpenGL2, Maris::OpenGL32),
                         [](const ::testing::TestParamInfo<Maris::Renderer>& info) {
                             return info.param == Maris::OpenGL2 ? "Compatibility" : "OpenGL32";
                         });
