#include <gtest/gtest.h>

#include "OceanScene.h"
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
    OceanScene fixture{OceanScene::fftOptions()};
    ASSERT_TRUE(fixture.ready());
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
