#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include "OceanScene.h"

#include <Maris/Ocean.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

// The shipped JONSWAP sea drawn from every kind of camera pose, above, at and below the surface
// and crossing it between frames. The area the triangles cover (an occlusion query with every
// depth passing) is what a frame costs a rasterizer: about one screen for a healthy grid,
// thousands for one turned inside out around the eye. The near plane lies 5 cm from the eye.
namespace {

class CameraPoseSweep : public ::testing::TestWithParam<double>
{
protected:
    void SetUp() override
    {
        OceanScene::Options options;
        options.width = 64;
        options.height = 48;
        options.configuration = "default-grid-resolution = 64";
        scene = std::make_unique<OceanScene>(options);
        ASSERT_TRUE(scene->ready()) << scene->failure();
        scene->useSkyCubeMap();
        scene->environment().SimulateSeaState(GetParam(), 4.36);
        ocean.reset(
            Maris::Ocean::Create(&scene->environment(), Maris::JONSWAPSpectrum, false, false));
        ASSERT_NE(ocean, nullptr) << ::testing::PrintToString(scene->messages().texts());
        glGenQueries(1, &query);
    }
    void TearDown() override
    {
        if (query)
            glDeleteQueries(1, &query);
    }

    // Draws one frame from the eye's height, its pitch above the horizontal and its heading from
    // +x towards +y (degrees); the sea's projected area in screens.
    double drawnScreens(double height, double pitchDegrees, double headingDegrees)
    {
        const double pitch = pitchDegrees * M_PI / 180.0;
        const double heading = headingDegrees * M_PI / 180.0;
        const Maris::Vector3 eye(10.0, -20.0, height);
        const Maris::Vector3 ahead(std::cos(pitch) * std::cos(heading),
                                   std::cos(pitch) * std::sin(heading), std::sin(pitch));
        scene->lookAt(eye, eye + ahead * 100.0, 45.0, 0.0, 0.05);
        scene->clear(0, 0, 0);
        glDepthFunc(GL_ALWAYS);
        glBeginQuery(GL_SAMPLES_PASSED, query);
        ocean->Draw(time, true, true, false);
        glEndQuery(GL_SAMPLES_PASSED);
        GLuint samples = 0;
        glGetQueryObjectuiv(query, GL_QUERY_RESULT, &samples);
        time += 1.0 / 30.0;
        return static_cast<double>(samples) / (scene->width() * scene->height());
    }

    const double screensAtMost = 2.0;
    std::unique_ptr<OceanScene> scene;
    std::unique_ptr<Maris::Ocean> ocean;
    GLuint query = 0;
    double time = 10.0;
};

// Heights above, at and below the surface with every heading coming round; then pairs of frames
// crossing the surface; then near the surface looking towards it (from just above the waves
// looking down, from below looking up), where the sea must fill most of the view.
TEST_P(CameraPoseSweep, EveryPoseDrawsTheSeaWithBoundedArea)
{
    int index = 0;
    for (double h : {10000.0, 100.0, 2.0, 0.1, 1e-3, 0.0, -1e-3, -0.1, -2.0, -100.0})
        for (double pitch : {-90, -25, -5, 0, 5, 25, 90})
            ASSERT_LE(drawnScreens(h, pitch, (index++ * 3 % 8) * 45.0 + 10.0), screensAtMost)
                << h << " m, pitch " << pitch;
    for (double pitch : {-3, 0, 3})
        for (double h : {0.3, -0.3, 5e-4, -5e-4, 1e-3, 0.0, -1e-3})
            EXPECT_LE(drawnScreens(h, pitch, 250.0), screensAtMost) << h << " m, pitch " << pitch;
    const double towardsTheSurface[][3] = {
        {2, -90, 0}, {0.5, -60, 90}, {-0.5, 90, 0}, {-2, 60, 270}, {-5, 25, 45}};
    for (const auto& pose : towardsTheSurface)
        EXPECT_GT(drawnScreens(pose[0], pose[1], pose[2]), 0.8) << pose[0] << " m, " << pose[1];
}

INSTANTIATE_TEST_SUITE_P(SeaStates, CameraPoseSweep, ::testing::Values(0.0, 12.0),
                         [](const ::testing::TestParamInfo<double>& info) {
                             return "Beaufort" + std::to_string(static_cast<int>(info.param));
                         });

} // namespace
