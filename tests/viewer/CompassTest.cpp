#include "HudTestWindow.h"

#include "hud/CompassNode.h"

#include <gtest/gtest.h>
#include <osg/Geometry>
#include <osg/PolygonMode>
#include <osg/TexMat>
#include <osg/Texture2D>
#include <osgDB/ReadFile>

namespace {

osg::Geode* compassGeode(const osgKELVO::OverlayController& overlay)
{
    return overlay.getCompassTransform()->getChild(0)->asGeode();
}

const osg::TexMat* texMatOf(const osg::Geode* geode)
{
    return dynamic_cast<const osg::TexMat*>(
        geode->getStateSet()->getTextureAttribute(0, osg::StateAttribute::TEXMAT));
}

// Where in the compass image the texture matrix samples for a point of the quad (0 to 1).
osg::Vec2 sampled(const osg::Geode* geode, float s, float t)
{
    const osg::Vec3 p = osg::Vec3(s, t, 0.0f) * texMatOf(geode)->getMatrix();
    return osg::Vec2(p.x(), p.y());
}

void expectNear(const osg::Vec2& expected, const osg::Vec2& actual)
{
    EXPECT_NEAR(expected.x(), actual.x(), 1e-5f);
    EXPECT_NEAR(expected.y(), actual.y(), 1e-5f);
}

} // namespace

TEST(Compass, TexturedQuadCentredOnItsOrigin)
{
    HudTestWindow hud;
    hud.open(1280, 1024);
    const osg::Geode* geode = compassGeode(hud.overlay());
    osg::ref_ptr<osg::Image> image = osgDB::readRefImageFile("../Resources/Images/Compass.png");
    ASSERT_TRUE(image);
    const float half = static_cast<float>(image->s() / 2);

    const osg::Geometry* geometry = geode->getDrawable(0)->asGeometry();
    const osg::Vec3Array& v = *static_cast<const osg::Vec3Array*>(geometry->getVertexArray());
    ASSERT_EQ(4u, v.size());
    EXPECT_EQ(osg::Vec3(-half, -half, 0), v[0]);
    EXPECT_EQ(osg::Vec3(half, -half, 0), v[1]);
    EXPECT_EQ(osg::Vec3(half, half, 0), v[2]);
    EXPECT_EQ(osg::Vec3(-half, half, 0), v[3]);

    const osg::StateSet* state = geode->getStateSet();
    const osg::Texture2D* texture =
        dynamic_cast<const osg::Texture2D*>(state->getTextureAttribute(0, osg::StateAttribute::TEXTURE));
    ASSERT_TRUE(texture && texture->getImage());
    EXPECT_EQ(image->s(), texture->getImage()->s());
    EXPECT_EQ(osg::Texture::CLAMP_TO_EDGE, texture->getWrap(osg::Texture::WRAP_S));
    EXPECT_EQ(osg::Texture::CLAMP_TO_EDGE, texture->getWrap(osg::Texture::WRAP_T));
    const osg::PolygonMode* mode =
        dynamic_cast<const osg::PolygonMode*>(state->getAttribute(osg::StateAttribute::POLYGONMODE));
    ASSERT_TRUE(mode);
    EXPECT_EQ(osg::PolygonMode::FILL, mode->getMode(osg::PolygonMode::FRONT_AND_BACK));
    EXPECT_TRUE(state->getAttributePair(osg::StateAttribute::POLYGONMODE)->second & osg::StateAttribute::PROTECTED);
    EXPECT_EQ(static_cast<unsigned>(osg::StateAttribute::OFF | osg::StateAttribute::PROTECTED),
              state->getMode(GL_LIGHTING));
    EXPECT_EQ(static_cast<unsigned>(osg::StateAttribute::ON), state->getMode(GL_BLEND));
    EXPECT_EQ(static_cast<int>(osg::StateSet::TRANSPARENT_BIN), state->getRenderingHint());
    ASSERT_TRUE(texMatOf(geode));
    EXPECT_TRUE(state->getTextureAttributePair(0, osg::StateAttribute::TEXMAT)->second & osg::StateAttribute::PROTECTED);
}

TEST(Compass, LookingNorthShowsTheImageUnrotated)
{
    HudTestWindow hud;
    hud.lookAt(osg::Vec3d(5, 5, 10), osg::Vec3d(5, 50, 0));
    hud.open(1280, 1024);
    hud.frame();
    const osg::Geode* geode = compassGeode(hud.overlay());
    expectNear(osg::Vec2(0.5f, 1.0f), sampled(geode, 0.5f, 1.0f));
    expectNear(osg::Vec2(1.0f, 0.5f), sampled(geode, 1.0f, 0.5f));
    expectNear(osg::Vec2(0.5f, 0.5f), sampled(geode, 0.5f, 0.5f));
}

TEST(Compass, LookingEastTurnsItAQuarterTurnCounterClockwise)
{
    HudTestWindow hud;
    hud.lookAt(osg::Vec3d(0, 0, 10), osg::Vec3d(100, 0, 10));
    hud.open(1280, 1024);
    hud.frame();
    const osg::Geode* geode = compassGeode(hud.overlay());
    // The top of the quad shows the image's east, its left the image's north.
    expectNear(osg::Vec2(1.0f, 0.5f), sampled(geode, 0.5f, 1.0f));
    expectNear(osg::Vec2(0.5f, 1.0f), sampled(geode, 0.0f, 0.5f));
    expectNear(osg::Vec2(0.5f, 0.5f), sampled(geode, 0.5f, 0.5f)); // turned about the centre
}

TEST(Compass, HeadingIgnoresPitchAndFollowsEveryFrame)
{
    HudTestWindow hud;
    hud.lookAt(osg::Vec3d(0, 0, 100), osg::Vec3d(-1, -1, 0));
    hud.open(1280, 1024);
    hud.frame();
    const osg::Geode* geode = compassGeode(hud.overlay());
    // South-west: the quad's top shows the image's south-west point.
    const float r = 0.5f * std::sqrt(0.5f);
    expectNear(osg::Vec2(0.5f - r, 0.5f - r), sampled(geode, 0.5f, 1.0f));

    hud.lookAt(osg::Vec3d(0, 0, 100), osg::Vec3d(0, -1, 100));
    hud.frame();
    expectNear(osg::Vec2(0.5f, 0.0f), sampled(geode, 0.5f, 1.0f)); // south
}

TEST(Compass, LookingStraightDownKeepsTheLastHeading)
{
    HudTestWindow hud;
    hud.lookAt(osg::Vec3d(0, 0, 10), osg::Vec3d(100, 0, 10));
    hud.open(1280, 1024);
    hud.frame();
    const osg::Geode* geode = compassGeode(hud.overlay());
    const osg::Matrix east = texMatOf(geode)->getMatrix();

    hud.lookAt(osg::Vec3d(0, 0, 10), osg::Vec3d(0, 0, 0), osg::Vec3d(0, 1, 0));
    hud.frame();
    EXPECT_EQ(east, texMatOf(geode)->getMatrix());
    hud.lookAt(osg::Vec3d(0, 0, 10), osg::Vec3d(0, 0, 20), osg::Vec3d(0, 1, 0));
    hud.frame();
    EXPECT_EQ(east, texMatOf(geode)->getMatrix()) << "straight up as well";
}

TEST(Compass, TextureMatrixTurnsAboutTheCentre)
{
    const osg::Matrixf m = osgKELVO::CompassNode::textureMatrix(static_cast<float>(osg::PI));
    const osg::Vec3 top = osg::Vec3(0.5f, 1.0f, 0.0f) * m;
    EXPECT_NEAR(0.5f, top.x(), 1e-6f);
    EXPECT_NEAR(0.0f, top.y(), 1e-6f) << "looking south the quad's top shows the image's south";
}
