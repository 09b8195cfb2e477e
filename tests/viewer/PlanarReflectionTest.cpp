#include "OffscreenRenderer.h"

#include "water/PlanarReflection.h"

#include <osg/CullFace>
#include <osg/Geode>
#include <osg/Geometry>
#include <osg/Texture2D>

#include <gtest/gtest.h>

namespace {

const int size = 96;

// A flat square facing -y (counter-clockwise seen from the -y side), at y = 100.
osg::ref_ptr<osg::Geode> square(float x0, float x1, float z0, float z1, const osg::Vec4& color)
{
    osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    vertices->push_back(osg::Vec3(x0, 100.0f, z0));
    vertices->push_back(osg::Vec3(x1, 100.0f, z0));
    vertices->push_back(osg::Vec3(x1, 100.0f, z1));
    vertices->push_back(osg::Vec3(x0, 100.0f, z1));
    geometry->setVertexArray(vertices);
    osg::ref_ptr<osg::Vec4Array> colors = new osg::Vec4Array;
    colors->push_back(color);
    geometry->setColorArray(colors, osg::Array::BIND_OVERALL);
    geometry->addPrimitiveSet(new osg::DrawArrays(GL_QUADS, 0, 4));
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(geometry);
    return geode;
}

// A red square above the water, a green one below it; back faces culled, no lighting.
osg::ref_ptr<osg::Group> testScene()
{
    osg::ref_ptr<osg::Group> scene = new osg::Group;
    scene->addChild(square(-10.0f, 10.0f, 10.0f, 20.0f, osg::Vec4(1, 0, 0, 1)));
    scene->addChild(square(30.0f, 50.0f, -20.0f, -10.0f, osg::Vec4(0, 1, 0, 1)));
    osg::StateSet* state = scene->getOrCreateStateSet();
    state->setMode(GL_LIGHTING, osg::StateAttribute::OFF);
    state->setAttributeAndModes(new osg::CullFace(osg::CullFace::BACK), osg::StateAttribute::ON);
    return scene;
}

// Where a world point lands in the picture of a camera at the origin looking along +y.
osg::Vec2 screenOf(const osg::Camera& camera, const osg::Vec3d& point)
{
    const osg::Vec3d ndc = point * camera.getViewMatrix() * camera.getProjectionMatrix();
    return osg::Vec2((ndc.x() + 1.0) * 0.5 * size, (ndc.y() + 1.0) * 0.5 * size);
}

bool isRed(const osg::Vec3i& p) { return p.x() > 200 && p.y() < 40 && p.z() < 40; }
bool isBackground(const osg::Vec3i& p) { return p.x() < 40 && p.y() < 40 && p.z() > 200; }

const osg::Matrixd lookingNorth =
    osg::Matrixd::lookAt(osg::Vec3d(0, 0, 0), osg::Vec3d(0, 1, 0), osg::Vec3d(0, 0, 1));

} // namespace

TEST(PlanarReflection, MirroredSceneShowsWhatIsAboveTheWaterUpsideDown)
{
    OffscreenRenderer renderer(size, size);
    ASSERT_TRUE(renderer.valid());
    renderer.getCamera()->setClearColor(osg::Vec4(0, 0, 1, 1));
    osg::ref_ptr<osg::Group> scene = testScene();
    renderer.getViewer().setSceneData(osgKELVO::PlanarReflection::createMirroredScene(scene.get()));
    const osg::ref_ptr<osg::Image> image = renderer.render(lookingNorth);

    const osg::Camera& camera = *renderer.getCamera();
    const osg::Vec2 mirroredRed = screenOf(camera, osg::Vec3d(0, 100, -15));
    const osg::Vec2 originalRed = screenOf(camera, osg::Vec3d(0, 100, 15));
    const osg::Vec2 mirroredGreen = screenOf(camera, osg::Vec3d(40, 100, 15));
    const osg::Vec2 originalGreen = screenOf(camera, osg::Vec3d(40, 100, -15));
    // The red square, seen in the mirror from its front: the winding was reversed with the mirror.
    EXPECT_TRUE(isRed(OffscreenRenderer::pixel(*image, mirroredRed.x(), mirroredRed.y())));
    EXPECT_TRUE(isBackground(OffscreenRenderer::pixel(*image, originalRed.x(), originalRed.y())));
    // The green square lies under water and is clipped away.
    EXPECT_TRUE(isBackground(OffscreenRenderer::pixel(*image, mirroredGreen.x(), mirroredGreen.y())));
    EXPECT_TRUE(isBackground(OffscreenRenderer::pixel(*image, originalGreen.x(), originalGreen.y())));
}

namespace {

// Shows a texture over the whole viewport after everything else.
osg::ref_ptr<osg::Camera> textureDisplay(osg::Texture2D* texture)
{
    osg::ref_ptr<osg::Camera> display = new osg::Camera;
    display->setReferenceFrame(osg::Transform::ABSOLUTE_RF);
    display->setProjectionMatrixAsOrtho2D(0.0, 1.0, 0.0, 1.0);
    display->setViewMatrix(osg::Matrixd::identity());
    display->setRenderOrder(osg::Camera::POST_RENDER);
    display->setClearMask(GL_DEPTH_BUFFER_BIT);
    osg::ref_ptr<osg::Geometry> quad =
        osg::createTexturedQuadGeometry(osg::Vec3(0, 0, 0), osg::Vec3(1, 0, 0), osg::Vec3(0, 1, 0));
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(quad);
    osg::StateSet* state = geode->getOrCreateStateSet();
    state->setTextureAttributeAndModes(0, texture, osg::StateAttribute::ON);
    state->setMode(GL_LIGHTING, osg::StateAttribute::OFF);
    display->addChild(geode);
    return display;
}

} // namespace

TEST(PlanarReflection, RendersTheMirrorFromTheMainEyeAndMapsEyeRelativePositionsIntoIt)
{
    OffscreenRenderer renderer(size, size);
    ASSERT_TRUE(renderer.valid());
    osg::Camera* main = renderer.getCamera();
    main->setClearColor(osg::Vec4(1, 1, 1, 1));
    osg::ref_ptr<osg::Group> scene = testScene();
    osg::ref_ptr<osgKELVO::PlanarReflection> reflection = new osgKELVO::PlanarReflection(main);
    reflection->setClearColor(osg::Vec4(0, 0, 1, 1));
    reflection->addChild(osgKELVO::PlanarReflection::createMirroredScene(scene.get()));
    osg::ref_ptr<osg::Group> root = new osg::Group;
    root->addChild(reflection);
    root->addChild(textureDisplay(reflection->getTexture()));
    renderer.getViewer().setSceneData(root);

    // From a raised eye, turned a little, so that the view's translation and rotation both matter.
    const osg::Vec3d eye(5.0, -20.0, 8.0);
    const osg::Matrixd view = osg::Matrixd::lookAt(eye, osg::Vec3d(0, 100, -10), osg::Vec3d(0, 0, 1));
    const osg::ref_ptr<osg::Image> image = renderer.render(view);

    EXPECT_EQ(reflection->getViewMatrix(), view);
    EXPECT_EQ(reflection->getProjectionMatrix(), main->getProjectionMatrix());

    // The texture matrix applied to (point - eye) gives the point's place in the texture, which
    // the display shows over the whole viewport.
    const osg::Matrixd& toTexture = *reflection->getTextureMatrix();
    auto textureCoordinates = [&](const osg::Vec3d& point) {
        const osg::Vec4d t = osg::Vec4d(point - eye, 1.0) * toTexture;
        return osg::Vec2d(t.x() / t.w(), t.y() / t.w());
    };
    const osg::Vec2d red = textureCoordinates(osg::Vec3d(0, 100, -15));
    ASSERT_GT(red.x(), 0.05);
    ASSERT_LT(red.x(), 0.95);
    ASSERT_GT(red.y(), 0.05);
    ASSERT_LT(red.y(), 0.95);
    EXPECT_TRUE(isRed(OffscreenRenderer::pixel(*image, red.x() * size, red.y() * size)));
    const osg::Vec2d above = textureCoordinates(osg::Vec3d(0, 100, 15));
    EXPECT_TRUE(isBackground(OffscreenRenderer::pixel(*image, above.x() * size, above.y() * size)));

    // The same mapping as the main camera's own projection of the point.
    const osg::Vec3d ndc = osg::Vec3d(0, 100, -15) * view * main->getProjectionMatrix();
    EXPECT_NEAR(red.x(), (ndc.x() + 1.0) * 0.5, 1e-9);
    EXPECT_NEAR(red.y(), (ndc.y() + 1.0) * 0.5, 1e-9);
}
