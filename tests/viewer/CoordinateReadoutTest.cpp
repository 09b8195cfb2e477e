#include "ViewerHarness.h"

#include "hud/CoordinateReadout.h"

#include <gtest/gtest.h>
#include <osg/Geode>
#include <osg/Geometry>
#include <osgText/Text>

#include <cstdlib>

using osgKELVO::CoordinateReadout;

namespace {

using Lines = std::vector<std::string>;

// A horizontal square of ground at height z, seen from above.
osg::ref_ptr<osg::Geode> ground(float halfSize, float z)
{
    osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
    osg::ref_ptr<osg::Vec3Array> v = new osg::Vec3Array;
    v->push_back(osg::Vec3(-halfSize, -halfSize, z));
    v->push_back(osg::Vec3(halfSize, -halfSize, z));
    v->push_back(osg::Vec3(halfSize, halfSize, z));
    v->push_back(osg::Vec3(-halfSize, halfSize, z));
    geometry->setVertexArray(v);
    geometry->addPrimitiveSet(new osg::DrawArrays(GL_QUADS, 0, 4));
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(geometry);
    return geode;
}

// Pointer position (from the top left) at which the master camera sees a world point. The
// window's input range runs from 0 to height - 1, which the viewer flips to y up.
osg::Vec2f pixelOf(HudTestWindow& hud, const osg::Vec3d& world)
{
    osg::Camera* camera = hud.camera();
    const osg::Matrixd toWindow =
        camera->getViewMatrix() * camera->getProjectionMatrix() * camera->getViewport()->computeWindowMatrix();
    const osg::Vec3d p = world * toWindow;
    return osg::Vec2f(static_cast<float>(p.x()), static_cast<float>(camera->getViewport()->height() - 1.0 - p.y()));
}

float valueOf(const std::string& line)
{
    return std::strtof(line.c_str() + line.find(':') + 1, nullptr);
}

} // namespace

TEST(CoordinateText, ThreeLinesTopToBottom)
{
    HudTestWindow hud;
    osg::ref_ptr<osg::Geode> geode = CoordinateReadout::createTextGeode();
    ASSERT_TRUE(geode);
    ASSERT_EQ(3u, geode->getNumDrawables());
    const char* initial[] = {"X: 0.0", "Y: 0.0", "Z: 0.0"};
    for (unsigned i = 0; i < 3; ++i) {
        const osgText::Text* text = dynamic_cast<const osgText::Text*>(geode->getDrawable(i));
        ASSERT_TRUE(text && text->getFont());
        EXPECT_EQ(initial[i], HudTestWindow::utf8(*text));
        if (i > 0) {
            const osgText::Text* above = static_cast<const osgText::Text*>(geode->getDrawable(i - 1));
            EXPECT_GE(above->getPosition().y() - text->getPosition().y(), text->getCharacterHeight())
                << "line " << i << " lies below the one before without touching it";
        }
    }
}

TEST(CoordinateText, FixedOneDecimalInSinglePrecision)
{
    EXPECT_EQ("X: 12.3", CoordinateReadout::formatLine("X: ", 12.34f));
    EXPECT_EQ("Y: -0.0", CoordinateReadout::formatLine("Y: ", -0.04f));
    EXPECT_EQ("Z: 30.0", CoordinateReadout::formatLine("Z: ", 30.0f));
    EXPECT_EQ("N: 1234567.0", CoordinateReadout::formatLine("N: ", 1234567.0f)) << "never exponent notation";

    // A national grid northing plus a small local offset shows the 24-bit mantissa: the sum
    // 6500000.3 is held as 6500000.5.
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    for (int i = 0; i < 3; ++i)
        geode->addDrawable(new osgText::Text);
    CoordinateReadout::writeLines(geode, osg::Vec3f(0.3f, 0.3f, 0.0f), true, osg::Vec3f(0, 6500000.0f, 0));
    EXPECT_EQ("N: 6500000.5", HudTestWindow::utf8(*static_cast<osgText::Text*>(geode->getDrawable(0))));
    EXPECT_EQ("E: 0.3", HudTestWindow::utf8(*static_cast<osgText::Text*>(geode->getDrawable(1))));
}

TEST(CoordinateReadoutDisplay, EyeWithOffsetReadsNorthingAndEasting)
{
    HudTestWindow hud;
    hud.overlay().setUseGeoCoords(true);
    hud.overlay().setOffset(osg::Vec3f(1000, 2000, 0));
    hud.lookAt(osg::Vec3d(12.34, -7.5, 30), osg::Vec3d(12.34, 92.5, 30));
    hud.open(1280, 1024);
    hud.frame();
    EXPECT_EQ((Lines{"N: 1992.5", "E: 1012.3", "Z: 30.0"}), hud.readout());
}

TEST(CoordinateReadoutDisplay, EyeWithOffsetReadsXAndYWithoutGeographicCoordinates)
{
    HudTestWindow hud;
    hud.overlay().setUseGeoCoords(false);
    hud.overlay().setOffset(osg::Vec3f(1000, 2000, 0));
    hud.lookAt(osg::Vec3d(12.34, -7.5, 30), osg::Vec3d(12.34, 92.5, 30));
    hud.open(1280, 1024);
    hud.frame();
    EXPECT_EQ((Lines{"X: 1012.3", "Y: 1992.5", "Z: 30.0"}), hud.readout());

    hud.lookAt(osg::Vec3d(-4, 5, 6), osg::Vec3d(-4, 6, 6));
    hud.frame();
    EXPECT_EQ((Lines{"X: 996.0", "Y: 2005.0", "Z: 6.0"}), hud.readout()) << "follows the eye every frame";
}

TEST(CoordinateReadoutDisplay, HoldingMShowsThePointUnderThePointer)
{
    HudTestWindow hud;
    hud.scene()->addChild(ground(50.0f, 5.0f));
    // Looking over the ground, the sky fills the window's upper half.
    hud.lookAt(osg::Vec3d(0, -120, 20), osg::Vec3d(0, 0, 15));
    hud.open(1280, 1024);
    hud.frame();
    const Lines eye = hud.readout();
    EXPECT_EQ((Lines{"X: 0.0", "Y: -120.0", "Z: 20.0"}), eye);

    // Without M, moving the pointer changes nothing.
    const osg::Vec2f onGround = pixelOf(hud, osg::Vec3d(12.0, 20.0, 5.0));
    hud.movePointer(onGround.x(), onGround.y());
    hud.frame();
    EXPECT_EQ(eye, hud.readout());

    hud.pressKey('m');
    hud.movePointer(onGround.x(), onGround.y());
    hud.frame();
    Lines picked = hud.readout();
    ASSERT_EQ(3u, picked.size());
    EXPECT_EQ(0u, picked[0].rfind("X: ", 0));
    EXPECT_NEAR(12.0f, valueOf(picked[0]), 0.25f) << picked[0];
    EXPECT_NEAR(20.0f, valueOf(picked[1]), 0.25f) << picked[1];
    EXPECT_EQ("Z: 5.0", picked[2]);
    hud.frame();
    EXPECT_EQ(picked, hud.readout()) << "the picked point stays while M is held";

    // Over empty sky, and over the help panel where no scene lies behind it, nothing is hit.
    hud.movePointer(640, 30);
    hud.frame();
    EXPECT_EQ(picked, hud.readout());
    const osg::Vec2f skyBehindHelp = pixelOf(hud, osg::Vec3d(0.0, 400.0, 60.0));
    ASSERT_GT(skyBehindHelp.y(), 262.0f);
    ASSERT_LT(skyBehindHelp.y(), 1024.0f - 262.0f) << "inside the help panel";
    hud.movePointer(skyBehindHelp.x(), skyBehindHelp.y());
    hud.frame();
    EXPECT_EQ(picked, hud.readout()) << "the display's own panels are never picked";

    // A second point on the ground.
    const osg::Vec2f elsewhere = pixelOf(hud, osg::Vec3d(-30.0, -10.0, 5.0));
    hud.movePointer(elsewhere.x(), elsewhere.y());
    hud.frame();
    picked = hud.readout();
    EXPECT_NEAR(-30.0f, valueOf(picked[0]), 0.25f) << picked[0];
    EXPECT_NEAR(-10.0f, valueOf(picked[1]), 0.25f) << picked[1];

    hud.releaseKey('m');
    hud.frame();
    EXPECT_EQ(eye, hud.readout()) << "back to the eye once M is released";
}

TEST(CoordinateReadoutDisplay, PickUsesTheCurrentOffsetWhileTheEyeKeepsTheOneItWasBuiltWith)
{
    HudTestWindow hud;
    hud.scene()->addChild(ground(50.0f, 5.0f));
    hud.overlay().setOffset(osg::Vec3f(100, 200, 300));
    hud.lookAt(osg::Vec3d(0, -120, 60), osg::Vec3d(0, 0, 5));
    hud.open(1280, 1024);
    hud.frame();
    EXPECT_EQ((Lines{"X: 100.0", "Y: 80.0", "Z: 360.0"}), hud.readout());

    hud.overlay().setOffset(osg::Vec3f(0, 0, 1000));
    hud.overlay().setUseGeoCoords(true);
    hud.frame();
    EXPECT_EQ((Lines{"X: 100.0", "Y: 80.0", "Z: 360.0"}), hud.readout());

    const osg::Vec2f onGround = pixelOf(hud, osg::Vec3d(0.0, 0.0, 5.0));
    hud.pressKey('m');
    hud.movePointer(onGround.x(), onGround.y());
    hud.frame();
    const Lines picked = hud.readout();
    ASSERT_EQ(3u, picked.size());
    EXPECT_EQ(0u, picked[0].rfind("N: ", 0)) << picked[0];
    EXPECT_EQ(0u, picked[1].rfind("E: ", 0)) << picked[1];
    EXPECT_EQ("Z: 1005.0", picked[2]);
}
