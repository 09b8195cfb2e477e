// The real program's coordinate readout in its screenshots, flying over the hills and with M held.

#include "ViewerSession.h"

using namespace kelvotest;

TEST(OverlaySession, ReadoutAndPickOverTheHills)
{
    ViewerSession session(1280, 1024, false, true);
    session.tree().writeConfiguration(
        sceneElement(modelElement("Hills", "../Content/Models/Hills.ive", 1)) +
        navigationElement({-1800, -1800, 600}, {-1792.9, -1792.9, 597}) +
        windowElement("KELVOview 1.02", 0, 0, 1024, 768));
    ASSERT_TRUE(session.start());
    ViewerProcess& viewer = session.viewer();

    // The readout panel of the 1024 x 768 window, 200 x 90 at 8, 8 from the bottom left, at rest.
    // A camera still easing may change a digit or two (under 0.005 seen); another point, most.
    const auto readout = [&] { return session.settled(8, 670, 208, 760); };
    const auto readoutDifference = [](const osg::Image& a, const osg::Image& b) {
        return difference(a, b, 8, 670, 208, 760);
    };
    const float same = 0.008f, changed = 0.01f;

    // A still camera reads the same digits; flown forward, others.
    osg::ref_ptr<osg::Image> before = readout();
    osg::ref_ptr<osg::Image> still = session.shot();
    viewer.send("keydown w sleep 1.5 keyup w");
    osg::ref_ptr<osg::Image> after = readout();
    ASSERT_TRUE(before && still && after);
    EXPECT_LT(readoutDifference(*before, *still), same);
    EXPECT_GT(readoutDifference(*before, *after), changed);

    // Held M reads the point under the pointer.
    osg::ref_ptr<osg::Image> eye = after;
    viewer.send("keydown m mousemove --window " + viewer.window() + " 520 700");
    osg::ref_ptr<osg::Image> ground = readout();
    viewer.xdotool("mousemove --window " + viewer.window() + " 520 60");
    osg::ref_ptr<osg::Image> sky = readout();
    viewer.xdotool("keyup m");
    osg::ref_ptr<osg::Image> released = readout();
    ASSERT_TRUE(eye && ground && sky && released);
    EXPECT_GT(readoutDifference(*eye, *ground), changed) << "the point on the ground is shown";
    EXPECT_LT(readoutDifference(*ground, *sky), same) << "over the sky the last point stays";
    EXPECT_LT(readoutDifference(*eye, *released), same) << "released, the eye is shown again";
    EXPECT_TRUE(session.stop());
}
