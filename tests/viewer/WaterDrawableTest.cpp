// The sea drawn into a real scene: the ocean comes to life inside the first draw, receives the
// frame's light and reflections, leaves the OpenGL state as the scene graph expects it, and a
// set-up that cannot succeed is retried slowly and reported once.

#include "NotifyCapture.h"
#include "ViewerHarness.h"

#include "environment/EnvironmentController.h"
#include "water/MarisDrawable.h"
#include "water/MarisUpdateCallback.h"

#include <Maris/Environment.h>
#include <Maris/Message.h>

#include <gtest/gtest.h>

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
    // Mean absolute difference of the rows below the horizon (bottom quarter of the picture).
    static double seaDifference(const osg::Image& a, const osg::Image& b)
    {
        double sum = 0.0;
        for (int y = 0; y < size / 4; ++y)
            for (int x = 0; x < size; ++x) {
                const osg::Vec3i d = TestViewer::pixel(a, x, y) - TestViewer::pixel(b, x, y);
                sum += std::abs(d.x()) + std::abs(d.y()) + std::abs(d.z());
            }
        return sum / (3 * size * size / 4);
    }

    TestViewer view;
    osg::ref_ptr<osg::Group> root = new osg::Group, sceneRoot = new osg::Group,
                             scene = new osg::Group;
    osg::ref_ptr<osgKELVO::EnvironmentController> controller;
    osg::ref_ptr<osgKELVO::MarisDrawable> bare;
};

} // namespace

TEST_F(WaterDrawableTest, TheFirstFrameCreatesTheOceanAndDrawsItAtOnce)
{
    osgKELVO::MarisDrawable* sea = buildSea();
    ASSERT_NE(sea, nullptr);
    ASSERT_NE(sea->getOcean(), nullptr) << "the ocean was not created in the first draw";
    const osg::ref_ptr<osg::Image> first = view.render(levelView);
    const auto* callback =
        dynamic_cast<const osgKELVO::MarisUpdateCallback*>(sea->getUpdateCallback());
    ASSERT_NE(callback, nullptr);
    EXPECT_EQ(sea->getOcean(), callback->getOcean())
        << "the update traversal steps the drawn ocean";

    controller->getSeaGeode()->setNodeMask(0);
    EXPECT_GT(seaDifference(*first, *view.render(levelView)), 20.0) << "the sea was not drawn";
    EXPECT_EQ(1u, sea->getSetupAttempts()) << "a working ocean is set up once";
}

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

// The viewer's directional light is the sun; a positional light is not, and the last sun stays.
TEST_F(WaterDrawableTest, TheEnvironmentGetsTheFramesSunAndReflections)
{
    osg::Light* light = view.viewer().getLight();
    light->setPosition(osg::Vec4(0.0f, -3.0f, 4.0f, 0.0f));
    light->setDiffuse(osg::Vec4(0.5f, 0.6f, 0.7f, 1.0f));
    light->setAmbient(osg::Vec4(0.1f, 0.2f, 0.3f, 1.0f));
    const Maris::Environment* environment = buildSea()->getEnvironment();
    ASSERT_NE(environment, nullptr);
    for (int frame = 0; frame < 2; ++frame) {
        EXPECT_NEAR(-0.6, environment->GetLightDirection().y, 1e-6);
        EXPECT_NEAR(0.8, environment->GetLightDirection().z, 1e-6);
        EXPECT_NEAR(0.6, environment->GetLightColor().y, 1e-6);
        EXPECT_NEAR(0.3, environment->GetAmbientColor().z, 1e-6);
        light->setPosition(osg::Vec4(100.0f, 0.0f, 10.0f, 1.0f));
        light->setDiffuse(osg::Vec4(1.0f, 0.0f, 0.0f, 1.0f));
        view.render(levelView);
    }
    EXPECT_NE(0u, environment->GetEnvironmentMap());
    EXPECT_NE(0u, environment->GetPlanarReflectionMap());

    // Without texture objects the library gets none, and the sea is still drawn, lit by the sun.
    controller->getSeaGeode()->setNodeMask(0);
    osgKELVO::MarisDrawable* sea = bareSea();
    const osg::ref_ptr<osg::Image> image = view.render(levelView);
    ASSERT_NE(sea->getOcean(), nullptr);
    EXPECT_EQ(0u, sea->getEnvironment()->GetEnvironmentMap());
    EXPECT_EQ(0u, sea->getEnvironment()->GetPlanarReflectionMap());
    sea->setNodeMask(0);
    EXPECT_GT(seaDifference(*image, *view.render(levelView)), 20.0);
}

TEST_F(WaterDrawableTest, AFailedSetUpIsRetriedOnceASecondAndReportedOnce)
{
    osgKELVO::MarisDrawable* sea = bareSea();
    sea->setResourceDirectory("../Resources/NoSuchDirectory");
    kelvotest::NotifyCapture notes;
    std::map<std::string, int> library;
    Maris::SetMessageHandler(
        [](Maris::MessageChannel, const char* line, void* lines) {
            ++(*static_cast<std::map<std::string, int>*>(lines))[line];
        },
        &library);
    const auto start = std::chrono::steady_clock::now();
    view.render(levelView);
    EXPECT_EQ(1u, sea->getSetupAttempts());
    double elapsed = 0.0;
    while (elapsed < 2.5) {
        view.render(levelView);
        elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    Maris::SetMessageHandler(nullptr, nullptr);
    EXPECT_EQ(sea->getOcean(), nullptr);
    EXPECT_GE(sea->getSetupAttempts(), 2u);
    EXPECT_LE(sea->getSetupAttempts(), static_cast<unsigned>(elapsed) + 1u);
    const char* failed = "Failed to initialize Maris - is the resource path passed in to the "
                         "ResourceLoader constructor valid?";
    EXPECT_TRUE(notes.has(osg::FATAL, failed));
    EXPECT_EQ(1u, notes.count(failed));
    EXPECT_EQ(1u, notes.count("The ocean could not be created; trying again once a second"));
    ASSERT_FALSE(library.empty()) << "the library said nothing about the missing resources";
    for (const auto& line : library)
        EXPECT_EQ(1, line.second) << "repeated: " << line.first;
}

TEST(WaterDrawableCopies, CopiesStartFromNothing)
{
    osg::ref_ptr<osgKELVO::MarisDrawable> drawable =
        new osgKELVO::MarisDrawable(6.0, 1.0, new osg::TextureCubeMap, new osg::RefMatrixd,
                                    new osg::Texture2D, new osg::RefMatrixd);
    for (osg::ref_ptr<osg::Object> copy :
         {drawable->clone(osg::CopyOp::DEEP_COPY_ALL), drawable->cloneType()}) {
        auto* other = dynamic_cast<osgKELVO::MarisDrawable*>(copy.get());
        ASSERT_NE(other, nullptr);
        EXPECT_EQ(other->getOcean(), nullptr);
        EXPECT_TRUE(drawable->isSameKindAs(other));
    }
}
