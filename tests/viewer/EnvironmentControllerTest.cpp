// The environment controller, and the planar reflection drawn into a pbuffer.

#include "IdleActionAdapter.h"
#include "ScratchTree.h"
#include "ViewerHarness.h"

#include "environment/EnvironmentController.h"
#include "environment/MoveEarthySkyWithEyePointTransform.h"
#include "water/PlanarReflection.h"

#include <gtest/gtest.h>
#include <osg/CullFace>
#include <osg/ShapeDrawable>
#include <osg/TextureCubeMap>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

// The roots the application builds: "SceneRoot" holding "Scene", with one model in it.
class EnvironmentControllerTest : public ::testing::Test
{
protected:
    EnvironmentControllerTest()
    {
        sceneRoot->addChild(scene);
        scene->addChild(model);
    }
    bool sendEvent()
    {
        osg::ref_ptr<osgGA::GUIEventAdapter> event = new osgGA::GUIEventAdapter;
        event->setEventType(osgGA::GUIEventAdapter::FRAME);
        kelvotest::IdleActionAdapter actions;
        return controller->handle(*event, actions);
    }

    osg::ref_ptr<osg::Camera> camera = new osg::Camera;
    osg::ref_ptr<osg::Group> sceneRoot = new osg::Group, scene = new osg::Group;
    osg::ref_ptr<osg::Geode> model = new osg::Geode;
    osg::ref_ptr<osgKELVO::EnvironmentController> controller =
        new osgKELVO::EnvironmentController(camera.get(), scene.get());
};

} // namespace

// Built once at the first event, with water or without; the sea never in its own reflection.
TEST_F(EnvironmentControllerTest, BuiltOnceAtTheFirstEventWithOrWithoutWater)
{
    fs::current_path(KELVO_BIN_DIR_FOR_TESTS);
    EXPECT_FALSE(sendEvent());
    const unsigned children = scene->getNumChildren(), beside = sceneRoot->getNumChildren();
    controller->setEnableWater(true);
    EXPECT_FALSE(sendEvent());
    EXPECT_EQ(scene->getNumChildren(), children) << "later events and settings build nothing";
    EXPECT_EQ(sceneRoot->getNumChildren(), beside);
    EXPECT_EQ(controller->getSeaGeode(), nullptr);

    controller = new osgKELVO::EnvironmentController(camera.get(), scene.get());
    controller->setEnableWater(true);
    sendEvent();
    osgKELVO::PlanarReflection* reflection = controller->getReflectionCamera();
    osg::Geode* sea = controller->getSeaGeode();
    ASSERT_TRUE(reflection && sea);
    EXPECT_EQ(sea->getNodeMask() & reflection->getCullMask(), 0u);
    EXPECT_NE(model->getNodeMask() & reflection->getCullMask(), 0u);
}

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

namespace {

const int size = 96;

bool isRed(const osg::Vec3i& p) { return p.x() > 200 && p.y() < 40 && p.z() < 40; }
bool isBlue(const osg::Vec3i& p) { return p.x() < 40 && p.y() < 40 && p.z() > 200; }

// A red square above the water and a green one below it, both facing -y at y = 100; back faces
// culled, no lighting.
osg::ref_ptr<osg::Group> squaresAboveAndBelowTheWater()
{
    osg::ref_ptr<osg::Group> scene = new osg::Group;
    scene->addChild(rectangle(osg::Vec3(-10, 100, 10), osg::Vec3(20, 0, 0), osg::Vec3(0, 0, 10),
                              osg::Vec4(1, 0, 0, 1)));
    scene->addChild(rectangle(osg::Vec3(30, 100, -20), osg::Vec3(20, 0, 0), osg::Vec3(0, 0, 10),
                              osg::Vec4(0, 1, 0, 1)));
    osg::StateSet* state = scene->getOrCreateStateSet();
    state->setMode(GL_LIGHTING, osg::StateAttribute::OFF);
    state->setAttributeAndModes(new osg::CullFace(osg::CullFace::BACK), osg::StateAttribute::ON);
    return scene;
}

} // namespace

// The mirror of what is above the water, seen from its front, with what is below clipped away;
// the texture matrix maps eye-relative positions to where they lie in the texture.
TEST(PlanarReflection, RendersTheMirrorFromTheMainEyeAndMapsEyeRelativePositionsIntoIt)
{
    TestViewer view;
    osg::Camera* main = view.camera();
    main->setClearColor(osg::Vec4(1, 1, 1, 1));
    osg::ref_ptr<osgKELVO::PlanarReflection> reflection = new osgKELVO::PlanarReflection(main);
    reflection->setClearColor(osg::Vec4(0, 0, 1, 1));
    reflection->addChild(
        osgKELVO::PlanarReflection::createMirroredScene(squaresAboveAndBelowTheWater().get()));
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
    EXPECT_TRUE(isRed(TestViewer::pixel(*image, red.x() * size, red.y() * size)));
    for (const osg::Vec3d& empty :
         {osg::Vec3d(0, 100, 15), osg::Vec3d(40, 100, 15), osg::Vec3d(40, 100, -15)}) {
        const osg::Vec2d at = inTexture(empty);
        EXPECT_TRUE(isBlue(TestViewer::pixel(*image, at.x() * size, at.y() * size))) << empty;
    }
}
