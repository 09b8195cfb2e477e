// The sea and the sky drawn into a real scene, read back from a pbuffer.

#include "NotifyCapture.h"
#include "ViewerHarness.h"

#include "environment/EnvironmentController.h"
#include "water/MarisDrawable.h"

#include <Maris/Environment.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <string>

namespace {

const int size = 96;

// A level view from 20 m above the water, looking north: sky above the middle row, sea below.
const osg::Matrixd levelView =
    osg::Matrixd::lookAt(osg::Vec3d(0, 0, 20), osg::Vec3d(0, 1000, 20), osg::Vec3d(0, 0, 1));

class WaterDrawableTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::current_path(KELVO_BIN_DIR_FOR_TESTS);
        root->addChild(sceneRoot);
        sceneRoot->addChild(scene);
        view.viewer().setSceneData(root);
        ASSERT_TRUE(view.open(size, size, true)) << "no pbuffer on the display";
    }
    // The environment controller's sea, built on the next frame.
    osgKELVO::MarisDrawable* buildSea()
    {
        controller = new osgKELVO::EnvironmentController(view.camera(), scene.get());
        controller->setEnableWater(true);
        controller->setSeaState(3.0);
        controller->setWindDirection(0.5);
        view.viewer().addEventHandler(controller);
        view.render(levelView);
        return controller->getWaterDrawable();
    }
    // A sea without sky faces or a reflection, as when they are missing or never rendered.
    osgKELVO::MarisDrawable* bareSea()
    {
        bare = new osgKELVO::MarisDrawable(3.0, 0.5, new osg::TextureCubeMap, new osg::RefMatrixd,
                                           new osg::Texture2D, new osg::RefMatrixd);
        scene->addChild(bare);
        return bare.get();
    }
    TestViewer view;
    osg::ref_ptr<osg::Group> root = new osg::Group, sceneRoot = new osg::Group,
                             scene = new osg::Group;
    osg::ref_ptr<osgKELVO::EnvironmentController> controller;
    osg::ref_ptr<osgKELVO::MarisDrawable> bare;
};

osg::Matrixd lookFrom(const osg::Vec3d& eye, const osg::Vec3d& direction,
                      const osg::Vec3d& up = osg::Vec3d(0.0, 0.0, 1.0))
{
    return osg::Matrixd::lookAt(eye, eye + direction, up);
}

int brightness(const osg::Vec3i& p) { return p.x() + p.y() + p.z(); }
osg::Vec3i centre(const osg::Image& image) { return TestViewer::pixel(image, size / 2, size / 2); }

// The whole environment with water; only the sky is judged here.
class SkyRenderingTest : public WaterDrawableTest
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(WaterDrawableTest::SetUp());
        buildSea();
        ASSERT_NE(controller->getSkyCubeMap()->getImage(0), nullptr) << "sky faces not found";
        controller->getSeaGeode()->setNodeMask(0);
    }
};

} // namespace

TEST_F(WaterDrawableTest, FixedFunctionDrawingAfterTheSeaIsUnharmed)
{
    // A red quad 50 m ahead below the horizon, drawn after the sea (default bin).
    osg::ref_ptr<osg::Geometry> quad = rectangle(osg::Vec3(-5, 50, 2), osg::Vec3(10, 0, 0),
                                                 osg::Vec3(0, 0, 8), osg::Vec4(1, 0, 0, 1));
    quad->getOrCreateStateSet()->setMode(GL_LIGHTING,
                                         osg::StateAttribute::OFF | osg::StateAttribute::OVERRIDE);
    quad->getOrCreateStateSet()->setRenderBinDetails(20, "RenderBin");
    scene->addChild(quad);
    ASSERT_NE(buildSea()->getOcean(), nullptr);
    const osg::ref_ptr<osg::Image> image = view.render(levelView);
    // It spans 8 columns either side of the centre, rows 18 to 31 from the bottom.
    const osg::Vec3i inside = TestViewer::pixel(*image, size / 2, 25);
    EXPECT_TRUE(inside.x() > 245 && inside.y() < 10 && inside.z() < 10) << inside;
    const osg::Vec3i beside = TestViewer::pixel(*image, 4, 25);
    EXPECT_FALSE(beside.x() > 200 && beside.y() < 40) << "the quad is wider than it should be";
}

// The ocean is set up in the first draw, once, with the frame's reflections and a directional
// light only as its sun; without texture objects it gets none and is still drawn.
TEST_F(WaterDrawableTest, TheEnvironmentGetsTheFramesSunAndReflectionsOrNone)
{
    osgKELVO::MarisDrawable* built = buildSea();
    ASSERT_NE(built->getOcean(), nullptr) << "the ocean was not created in the first draw";
    const Maris::Environment* environment = built->getEnvironment();
    ASSERT_NE(environment, nullptr);
    const double sunY = environment->GetLightDirection().y;
    view.viewer().getLight()->setPosition(osg::Vec4(0.0f, 100.0f, 10.0f, 1.0f));
    view.render(levelView);
    EXPECT_EQ(sunY, environment->GetLightDirection().y) << "a positional light is no sun";
    EXPECT_NE(0u, environment->GetEnvironmentMap());
    EXPECT_NE(0u, environment->GetPlanarReflectionMap());
    EXPECT_EQ(1u, built->getSetupAttempts()) << "a working ocean is set up once";

    controller->getSeaGeode()->setNodeMask(0);
    osgKELVO::MarisDrawable* sea = bareSea();
    const osg::ref_ptr<osg::Image> image = view.render(levelView);
    ASSERT_NE(sea->getOcean(), nullptr);
    EXPECT_EQ(0u, sea->getEnvironment()->GetEnvironmentMap());
    EXPECT_EQ(0u, sea->getEnvironment()->GetPlanarReflectionMap());
    sea->setNodeMask(0);
    // Drawn at all: the lower half, all sea, differs from the picture without it.
    EXPECT_GT(TestViewer::meanDifference(*image, *view.render(levelView)), 5.0);
}

TEST_F(WaterDrawableTest, AFailedSetUpIsRetriedOnceASecondAndReportedOnce)
{
    osgKELVO::MarisDrawable* sea = bareSea();
    sea->setResourceDirectory("../Resources/NoSuchDirectory");
    kelvotest::NotifyCapture notes;
    const auto start = std::chrono::steady_clock::now();
    view.render(levelView);
    EXPECT_EQ(1u, sea->getSetupAttempts());
    double elapsed = 0.0;
    while (elapsed < 2.5) {
        view.render(levelView);
        elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    EXPECT_EQ(sea->getOcean(), nullptr);
    EXPECT_GE(sea->getSetupAttempts(), 2u);
    EXPECT_LE(sea->getSetupAttempts(), static_cast<unsigned>(elapsed) + 1u);
    const char* failed = "Failed to initialize Maris - is the resource path passed in to the "
                         "ResourceLoader constructor valid?";
    EXPECT_TRUE(notes.has(osg::FATAL, failed));
    EXPECT_EQ(1u, notes.count(failed));
    EXPECT_EQ(1u, notes.count("The ocean could not be created; trying again once a second"));
    // The library's own lines reach the notification stream at INFO, each once.
    std::map<std::string, int> library;
    for (const auto& line : notes.lines())
        if (line.second.rfind("MARIS: ", 0) == 0 && line.first == osg::INFO)
            ++library[line.second];
    ASSERT_FALSE(library.empty()) << "the library said nothing about the missing resources";
    for (const auto& line : library)
        EXPECT_EQ(1, line.second) << "repeated: " << line.first;
}

TEST_F(SkyRenderingTest, TheSunShowsWhereTheMainLightComesFrom)
{
    const osg::Vec3i atSun = centre(*view.render(lookFrom(osg::Vec3d(), osg::Vec3d(-1, -1, 2))));
    EXPECT_GE(std::min({atSun.x(), atSun.y(), atSun.z()}), 235);
    const osg::Vec3i mirrored = centre(*view.render(lookFrom(osg::Vec3d(), osg::Vec3d(1, 1, 2))));
    EXPECT_LT(brightness(mirrored), brightness(atSun) - 60);
}

// The sky is fixed in the world and centred on the eye: turning changes it, moving does not.
TEST_F(SkyRenderingTest, TurningChangesTheSkyAndMovingDoesNot)
{
    const osg::Vec3d north(0.0, 1.0, 0.3), east(1.0, 0.0, 0.3);
    const osg::ref_ptr<osg::Image> here = view.render(lookFrom(osg::Vec3d(), north));
    const osg::ref_ptr<osg::Image> farAway =
        view.render(lookFrom(osg::Vec3d(25000, -40000, 800), north));
    const osg::ref_ptr<osg::Image> again = view.render(lookFrom(osg::Vec3d(), north));
    const osg::ref_ptr<osg::Image> ahead = view.render(lookFrom(osg::Vec3d(), east));
    const osg::ref_ptr<osg::Image> rolled =
        view.render(lookFrom(osg::Vec3d(), north, osg::Vec3d(0.3, 0, 1)));
    EXPECT_LE(TestViewer::largestDifference(*here, *again), 1);
    EXPECT_LT(TestViewer::meanDifference(*here, *farAway), 1.0);
    EXPECT_LE(TestViewer::largestDifference(*here, *farAway), 8);
    EXPECT_GT(TestViewer::meanDifference(*here, *ahead), 6.0);
    EXPECT_GT(TestViewer::meanDifference(*here, *rolled), 3.0);
}
