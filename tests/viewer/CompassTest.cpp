#include "ViewerHarness.h"

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
