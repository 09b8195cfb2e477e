#include <gtest/gtest.h>

#include "FFTWaterModelTestSupport.h"
#include "GLXTestContext.h"

#include "opengl/FFTWaterModelOpenGL.h"
#include <Maris/Ocean.h>
#include "opengl/OpenGLEntryPoints.h"
#include "grid/ProjectedGrid.h"

// After GoogleTest: the X11 headers define macros such as None.
#include <GL/glx.h>

#include <cmath>

namespace {

double largestHeight(const Maris::FFTWaterModel& model)
{
    double largest = 0.0;
    const int cells = model.GetDimensionX() * model.GetDimensionY();
    for (int i = 0; i < cells; ++i)
        largest = std::max(largest, std::fabs(static_cast<double>(model.GetDisplacementBuffer()[3 * i + 2])));
    return largest;
}

} // namespace

TEST(OceanWithFFTWater, SimulationOnlyOceanStepsTheFFTModel)
{
    FFTWaterModelFixture fixture;
    ASSERT_TRUE(fixture.initialized());
    fixture.environment().SimulateSeaState(5.0, 0.4);
    for (int type = 1; type <= 3; ++type) {
        std::unique_ptr<Maris::Ocean> ocean(Maris::Ocean::Create(
            &fixture.environment(), static_cast<Maris::WaterModelType>(type), false, false));
        ASSERT_NE(ocean, nullptr) << "type " << type;
        auto* model = dynamic_cast<Maris::FFTWaterModel*>(ocean->GetGrid()->GetWaterModel());
        ASSERT_NE(model, nullptr);
        EXPECT_EQ(model->GetSpectrumType(), type);
        EXPECT_STREQ(model->GetFFTName(), "CPU-based FFTW library");
        EXPECT_EQ(largestHeight(*model), 0.0) << "nothing simulated yet";
        ocean->UpdateSimulation(2.0);
        EXPECT_GT(largestHeight(*model), 0.01) << "type " << type;
        double speed = 0.0;
        double direction = 0.0;
        double fetch = 0.0;
        fixture.environment().GetWind(fixture.environment().GetCameraPosition(), speed, direction,
                                      fetch);
        EXPECT_FLOAT_EQ(model->GetWaveDirection(), static_cast<float>(direction));
    }
}

TEST(OceanWithFFTWater, TheShippedGridShadersTakeTheFFTUniforms)
{
    MessageCapture messages;
    GLXTestContext context(GLXTestContext::Profile::Compatibility);
    ASSERT_TRUE(context.isCurrent()) << context.failure();
    Maris::ResourceLoader loader(MARIS_RESOURCES_DIR, false);
    Maris::Environment environment;
    ASSERT_EQ(environment.Initialize(Maris::FlatZUp, Maris::OpenGL2, &loader, nullptr, false),
              Maris::EnvironmentInitialized);
    environment.SimulateSeaState(6.0, 0.0);
    std::unique_ptr<Maris::Ocean> ocean(
        Maris::Ocean::Create(&environment, Maris::JONSWAPSpectrum, false, false));
    ASSERT_NE(ocean, nullptr) << ::testing::PrintToString(messages.texts());
    auto* model = dynamic_cast<Maris::FFTWaterModelOpenGL*>(ocean->GetGrid()->GetWaterModel());
    ASSERT_NE(model, nullptr);
    ocean->UpdateSimulation(1.0);
    const GLuint program = ocean->GetGrid()->GetShader();
    ASSERT_NE(program, 0u);
    ASSERT_TRUE(model->PrepareShader(1.0));
    auto getInt = reinterpret_cast<PFNGLGETUNIFORMIVPROC>(
        glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glGetUniformiv")));
    auto getFloat = reinterpret_cast<PFNGLGETUNIFORMFVPROC>(
        glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glGetUniformfv")));
    const GLint displacementMap = Maris::glGetUniformLocation(program, "displacementMap");
    ASSERT_NE(displacementMap, -1) << "the FFT grid shader samples the displacement texture";
    GLint unit = -1;
    getInt(program, displacementMap, &unit);
    EXPECT_EQ(unit, 2);
    const GLint textureSize = Maris::glGetUniformLocation(program, "textureSize");
    ASSERT_NE(textureSize, -1);
    float size[2] = {0.0f, 0.0f};
    getFloat(program, textureSize, size);
    EXPECT_FLOAT_EQ(size[0], model->GetSizeX());
    EXPECT_FLOAT_EQ(size[1], model->GetSizeY());
    const GLint slopeFoamMap = Maris::glGetUniformLocation(program, "slopeFoamMap");
    if (slopeFoamMap != -1) {
        getInt(program, slopeFoamMap, &unit);
        EXPECT_EQ(unit, 3);
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
