// The environment controller's sea, sky and planar reflection, drawn into a pbuffer and read back.

#include "NotifyCapture.h"
#include "ScratchTree.h"
#include "ViewerHarness.h"

#include "environment/EnvironmentController.h"
#include "environment/MoveEarthySkyWithEyePointTransform.h"
#include "water/MarisDrawable.h"
#include "water/PlanarReflection.h"

#include <Maris/Environment.h>

#include <gtest/gtest.h>
#include <osg/CullFace>
#include <osg/ShapeDrawable>
#include <osg/TextureCubeMap>

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

} // namespace

TEST(SkyResources, AMissingFaceLeavesTheCubeMapEmpty)
{
    kelvotest::ScratchTree tree;
    tree.remove("Resources/Maris/negZ.tga");
    osg::ref_ptr<osg::TextureCubeMap> cubeMap;
    ASSERT_TRUE(osgKELVO::EnvironmentController::createSky(cubeMap).valid() && cubeMap.valid());
    for (unsigned face = 0; face < 6; ++face)
        EXPECT_EQ(cubeMap->getImage(face), nullptr);
}

// The sky moves with the eye: it must not widen its parent's bound (whence the speed comes).
TEST(SkyInTheScene, DoesNotWidenTheBoundOfItsParent)
{
    osg::ref_ptr<osg::Group> root = new osg::Group;
    root->addChild(new osg::ShapeDrawable(new osg::Box(osg::Vec3(100, 0, 0), 20.0f)));
    const osg::BoundingSphere withoutSky = root->getBound();
    osg::ref_ptr<osgKELVO::MoveEarthySkyWithEyePointTransform> sky =
        new osgKELVO::MoveEarthySkyWithEyePointTransform;
    sky->addChild(new osg::ShapeDrawable(new osg::Sphere(osg::Vec3(), 30000.0f)));
    root->addChild(sky);
    root->dirtyBound();
    EXPECT_FLOAT_EQ(withoutSky.radius(), root->getBound().radius());
    EXPECT_EQ(withoutSky.center(), root->getBound().center());
}

// The environment is built once, at the first event, the sea left out of its own reflection. The
// ocean is set up in the first draw, once, with the frame's reflections and a directional light
// only as its sun, and leaves fixed-function drawing after it unharmed; without texture objects it
// gets none and is still drawn.
TEST_F(WaterDrawableTest, TheEnvironmentGetsTheFramesSunAndReflectionsOrNone)
{
    // A red quad 50 m ahead below the horizon, drawn after the sea (default bin).
    osg::ref_ptr<osg::Geometry> quad = rectangle(osg::Vec3(-5, 50, 2), osg::Vec3(10, 0, 0),
                                                 osg::Vec3(0, 0, 8), osg::Vec4(1, 0, 0, 1));
    quad->getOrCreateStateSet()->setMode(GL_LIGHTING,
                                         osg::StateAttribute::OFF | osg::StateAttribute::OVERRIDE);
    quad->getOrCreateStateSet()->setRenderBinDetails(20, "RenderBin");
    scene->addChild(quad);
    osgKELVO::MarisDrawable* built = buildSea();
    const unsigned children = scene->getNumChildren(), roots = sceneRoot->getNumChildren();
    ASSERT_NE(built->getOcean(), nullptr) << "the ocean was not created in the first draw";
    const osg::Node::NodeMask reflected = controller->getReflectionCamera()->getCullMask();
    EXPECT_EQ(controller->getSeaGeode()->getNodeMask() & reflected, 0u);
    EXPECT_NE(quad->getNodeMask() & reflected, 0u);
    const Maris::Environment* environment = built->getEnvironment();
    ASSERT_NE(environment, nullptr);
    const double sunY = environment->GetLightDirection().y;
    view.viewer().getLight()->setPosition(osg::Vec4(0.0f, 100.0f, 10.0f, 1.0f));
    const osg::ref_ptr<osg::Image> withQuad = view.render(levelView);
    EXPECT_EQ(sunY, environment->GetLightDirection().y) << "a positional light is no sun";
    EXPECT_NE(0u, environment->GetEnvironmentMap());
    EXPECT_NE(0u, environment->GetPlanarReflectionMap());
    EXPECT_EQ(1u, built->getSetupAttempts()) << "a working ocean is set up once";
    EXPECT_EQ(scene->getNumChildren(), children) << "later events build nothing";
    EXPECT_EQ(sceneRoot->getNumChildren(), roots);
    // The quad spans 8 columns either side of the centre, rows 18 to 31 from the bottom.
    const osg::Vec3i inside = TestViewer::pixel(*withQuad, size / 2, 25);
    EXPECT_TRUE(inside.x() > 245 && inside.y() < 10 && inside.z() < 10) << inside;
    const osg::Vec3i beside = TestViewer::pixel(*withQuad, 4, 25);
    EXPECT_FALSE(beside.x() > 200 && beside.y() < 40) << "the quad is wider than it should be";

    quad->setNodeMask(0);
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

// The sky is fixed in the world and centred on the eye: the sun shows where the main light comes
// from; turning changes the sky, moving does not.
TEST_F(WaterDrawableTest, SkyShowsTheSunAndTurnsButDoesNotMoveWithTheEye)
{
    buildSea();
    ASSERT_NE(controller->getSkyCubeMap()->getImage(0), nullptr) << "sky faces not found";
    controller->getSeaGeode()->setNodeMask(0);
    const osg::Vec3i atSun = centre(*view.render(lookFrom(osg::Vec3d(), osg::Vec3d(-1, -1, 2))));
    EXPECT_GE(std::min({atSun.x(), atSun.y(), atSun.z()}), 235);
    const osg::Vec3i mirrored = centre(*view.render(lookFrom(osg::Vec3d(), osg::Vec3d(1, 1, 2))));
    EXPECT_LT(brightness(mirrored), brightness(atSun) - 60);

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

// The mirror of what is above the water, seen from its front, with what is below clipped away;
// the texture matrix maps eye-relative positions to where they lie in the texture.
TEST(PlanarReflection, RendersTheMirrorFromTheMainEyeAndMapsEyeRelativePositionsIntoIt)
{
    TestViewer view;
    osg::Camera* main = view.camera();
    main->setClearColor(osg::Vec4(1, 1, 1, 1));
    osg::ref_ptr<osgKELVO::PlanarReflection> reflection = new osgKELVO::PlanarReflection(main);
    reflection->setClearColor(osg::Vec4(0, 0, 1, 1));
    // A red square above the water and a green one below it, both facing -y at y = 100.
    osg::ref_ptr<osg::Group> scene = new osg::Group;
    scene->addChild(rectangle(osg::Vec3(-10, 100, 10), osg::Vec3(20, 0, 0), osg::Vec3(0, 0, 10),
                              osg::Vec4(1, 0, 0, 1)));
    scene->addChild(rectangle(osg::Vec3(30, 100, -20), osg::Vec3(20, 0, 0), osg::Vec3(0, 0, 10),
                              osg::Vec4(0, 1, 0, 1)));
    scene->getOrCreateStateSet()->setMode(GL_LIGHTING, osg::StateAttribute::OFF);
    scene->getOrCreateStateSet()->setAttributeAndModes(new osg::CullFace(osg::CullFace::BACK));
    reflection->addChild(osgKELVO::PlanarReflection::createMirroredScene(scene.get()));
    // Shows the texture over the whole viewport after everything else.
    osg::ref_ptr<osg::Camera> display = new osg::Camera;
    display->setReferenceFrame(osg::Transform::ABSOLUTE_RF);
    display->setProjectionMatrixAsOrtho2D(0.0, 1.0, 0.0, 1.0);
    display->setRenderOrder(osg::Camera::POST_RENDER);
    display->setClearMask(GL_DEPTH_BUFFER_BIT);
    display->addChild(rectangle(osg::Vec3(), osg::Vec3(1, 0, 0), osg::Vec3(0, 1, 0)));
    display->getOrCreateStateSet()->setTextureAttributeAndModes(0, reflection->getTexture());
    display->getOrCreateStateSet()->setMode(GL_LIGHTING, osg::StateAttribute::OFF);
    osg::ref_ptr<osg::Group> root = new osg::Group;
    root->addChild(reflection);
    root->addChild(display);
    view.viewer().setSceneData(root);
    ASSERT_TRUE(view.open(size, size, true));

    // A raised eye, turned a little, so that the view's translation and rotation both matter.
    const osg::Vec3d eye(5.0, -20.0, 8.0);
    const osg::Matrixd lookingAt =
        osg::Matrixd::lookAt(eye, osg::Vec3d(0, 100, -10), osg::Vec3d(0, 0, 1));
    const osg::ref_ptr<osg::Image> image = view.render(lookingAt);
    auto inTexture = [&](const osg::Vec3d& point) {
        const osg::Vec4d t = osg::Vec4d(point - eye, 1.0) * *reflection->getTextureMatrix();
        return osg::Vec2d(t.x() / t.w(), t.y() / t.w());
    };
    const osg::Vec2d red = inTexture(osg::Vec3d(0, 100, -15));
    ASSERT_TRUE(red.x() > 0.05 && red.x() < 0.95 && red.y() > 0.05 && red.y() < 0.95) << red;
    const osg::Vec3i atRed = TestViewer::pixel(*image, red.x() * size, red.y() * size);
    EXPECT_TRUE(atRed.x() > 200 && atRed.y() < 40 && atRed.z() < 40) << atRed;
    for (const osg::Vec3d& empty :
         {osg::Vec3d(0, 100, 15), osg::Vec3d(40, 100, 15), osg::Vec3d(40, 100, -15)}) {
        const osg::Vec2d at = inTexture(empty);
        const osg::Vec3i p = TestViewer::pixel(*image, at.x() * size, at.y() * size);
        EXPECT_TRUE(p.x() < 40 && p.y() < 40 && p.z() > 200) << empty;
    }
}
