#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include "OceanScene.h"

#include <Maris/Ocean.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>

// The sea drawn from every kind of camera pose, with the shipped configuration (grid resolution,
// displacement limits) and the viewer's JONSWAP sea: above, at, just off and below the surface,
// looking anywhere, and crossing the surface between two frames.
//
// What a frame costs a rasterizer is the area its triangles cover. The test counts that area as
// the samples an occlusion query sees while the depth test passes everything, so folded and hidden
// layers count too: the sea's projected area, in screens. A healthy grid covers the screen about
// once where the sea fills the view; a grid that has turned inside out around the eye covers it
// thousands of times and keeps a software rasterizer busy for minutes. The near plane lies 5 cm
// from the eye, so that the water right under an eye among the waves is in the picture.
namespace {

const double screensAtMost = 2.0;
const int width = 96;
const int height = 72;

struct Pose
{
    double height;  // metres above the sea plane
    double pitch;   // degrees above the horizontal
    double heading; // degrees from +x towards +y
};

std::string describe(const Pose& pose)
{
    char text[96];
    std::snprintf(text, sizeof text, "eye at %g m, pitch %g, heading %g", pose.height, pose.pitch,
                  pose.heading);
    return text;
}

class CameraPoseSweep : public ::testing::TestWithParam<double>
{
protected:
    void SetUp() override
    {
        OceanScene::Options options;
        options.width = width;
        options.height = height;
        scene = std::make_unique<OceanScene>(options);
        ASSERT_TRUE(scene->ready()) << scene->failure();
        scene->useSkyCubeMap();
        scene->environment().SimulateSeaState(GetParam(), 4.36);
        ocean = Maris::Ocean::Create(&scene->environment(), Maris::JONSWAPSpectrum, false, false);
        ASSERT_NE(ocean, nullptr) << ::testing::PrintToString(scene->messages().texts());
        glGenQueries(1, &query);
    }

    void TearDown() override
    {
        if (query)
            glDeleteQueries(1, &query);
        delete ocean;
    }

    // Draws one frame from the pose; the sea's projected area in screens.
    double drawnScreens(const Pose& pose)
    {
        const double pitch = pose.pitch * M_PI / 180.0;
        const double heading = pose.heading * M_PI / 180.0;
        const Maris::Vector3 eye(10.0, -20.0, pose.height);
        const Maris::Vector3 ahead(std::cos(pitch) * std::cos(heading), std::cos(pitch) * std::sin(heading),
                                   std::sin(pitch));
        scene->lookAt(eye, eye + ahead * 100.0, 45.0, 0.0, 0.05);
        scene->clear(0, 0, 0);
        glDepthFunc(GL_ALWAYS);
        const auto start = std::chrono::steady_clock::now();
        glBeginQuery(GL_SAMPLES_PASSED, query);
        ocean->Draw(time, true, true, false);
        glEndQuery(GL_SAMPLES_PASSED);
        GLuint samples = 0;
        glGetQueryObjectuiv(query, GL_QUERY_RESULT, &samples);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (seconds > slowest) {
            slowest = seconds;
            slowestPose = describe(pose);
        }
        time += 1.0 / 30.0;
        return static_cast<double>(samples) / (width * height);
    }

    void report() const
    {
        std::printf("sea state %g: slowest frame %.0f ms, %s\n", GetParam(), slowest * 1000.0,
                    slowestPose.c_str());
    }

    std::unique_ptr<OceanScene> scene;
    Maris::Ocean* ocean = nullptr;
    GLuint query = 0;
    double time = 10.0;
    double slowest = 0.0;
    std::string slowestPose;
};

TEST_P(CameraPoseSweep, EveryPoseDrawsTheSeaWithBoundedArea)
{
    const double heights[] = {10000, 1000, 100, 20, 5, 2, 1, 0.5, 0.1, 0.01, 1e-3, 0,
                              -1e-3, -0.01, -0.1, -0.5, -1, -2, -5, -20, -100, -500};
    const double pitches[] = {-90, -60, -25, -5, 0, 5, 25, 60, 90};
    int index = 0;
    for (double h : heights)
        for (double pitch : pitches) {
            // Every heading comes round: 45-degree steps, shifted by a prime stride.
            const Pose pose{h, pitch, (index++ * 7 % 8) * 45.0 + 10.0};
            const double screens = drawnScreens(pose);
            EXPECT_LE(screens, screensAtMost) << describe(pose);
            ASSERT_FALSE(HasFailure()) << "stopping the sweep at the first bad pose";
        }
    report();
}

TEST_P(CameraPoseSweep, CrossingTheSurfaceBetweenTwoFramesKeepsBothBounded)
{
    const double steps[][2] = {{0.3, -0.3}, {-0.3, 0.3}, {2.0, -2.0}, {5e-4, -5e-4}, {1e-3, 0.0}, {0.0, -1e-3}};
    const double pitches[] = {-20, -3, 0, 3, 20};
    for (const auto& step : steps)
        for (double pitch : pitches)
            for (double h : step) {
                const Pose pose{h, pitch, 250.0};
                EXPECT_LE(drawnScreens(pose), screensAtMost) << describe(pose);
            }
    report();
}

// Near the surface the sea still fills most of the view towards it: from just above the waves
// looking down, and from below looking up at its underside.
TEST_P(CameraPoseSweep, TheSeaFillsTheViewTowardsTheSurface)
{
    const Pose poses[] = {{2, -90, 0}, {0.5, -60, 90}, {-0.5, 90, 0}, {-2, 60, 270}, {-5, 25, 45}};
    for (const Pose& pose : poses)
        EXPECT_GT(drawnScreens(pose), 0.8) << describe(pose);
}

INSTANTIATE_TEST_SUITE_P(SeaStates, CameraPoseSweep, ::testing::Values(0.0, 3.0, 12.0),
                         [](const ::testing::TestParamInfo<double>& info) {
                             return "Beaufort" + std::to_string(static_cast<int>(info.param));
                         });

} // namespace
