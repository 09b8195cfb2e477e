// The real program's coordinate readout in its own screenshots, as the camera flies over the hills
// with real keys and while M is held with the pointer over the ground and over the sky. The rest
// of the head-up display is tested in the viewer's own tests.

#include "ViewerSession.h"

#include <algorithm>

using namespace kelvotest;

namespace {

// The readout panel of the 1024 x 768 window: 200 x 90 at 8, 8 from the bottom left.
float readoutDifference(const osg::Image& a, const osg::Image& b)
{
    return difference(a, b, 8, 670, 208, 760);
}

// Share of the light and colorless pixels, the cores of the white digits, on the panel.
float whiteShare(const osg::Image& image)
{
    int white = 0, total = 0;
    for (int y = 680; y < 748; ++y)
        for (int x = 24; x < 200; ++x, ++total) {
            const osg::Vec3f c = pixel(image, x, y);
            const float low = std::min({c.x(), c.y(), c.z()}),
                        high = std::max({c.x(), c.y(), c.z()});
            white += low > 0.7f && high - low < 0.1f;
        }
    return static_cast<float>(white) / total;
}

} // namespace

TEST(OverlaySession, ReadoutAndPickOverTheHills)
{
    ViewerSession session(1280, 1024, false, true);
    session.tree().writeConfiguration(
        sceneElement(modelElement("Hills", "../Content/Models/Hills.ive", 1)) +
        navigationElement({-1800, -1800, 600}, {-1792.9, -1792.9, 597}) +
        windowElement("KELVOview 1.02", 0, 0, 1024, 768));
    ASSERT_TRUE(session.start());
    ViewerProcess& viewer = session.viewer();

    // A still camera reads the same digits; flown forward, others.
    osg::ref_ptr<osg::Image> before = session.shot();
    osg::ref_ptr<osg::Image> still = session.shot();
    viewer.send("keydown w sleep 1.5 keyup w");
    osg::ref_ptr<osg::Image> after = session.shot();
    ASSERT_TRUE(before && still && after);
    EXPECT_LT(readoutDifference(*before, *still), 0.005f);
    EXPECT_GT(readoutDifference(*before, *after), 0.015f);
    EXPECT_GT(whiteShare(*after), 0.015f) << "white digits";
    const osg::Vec3f panel = mean(*after, 150, 676, 200, 690);
    EXPECT_LT(0.2989f * panel.x() + 0.587f * panel.y() + 0.114f * panel.z(), 0.35f)
        << "on a dark panel";

    // Held M reads the point under the pointer; over the sky the last point stays; released, the
    // eye is shown again. The camera comes to rest first.
    // Each picture is taken once the readout has stopped changing, so that the input has been
    // seen.
    const auto readout = [&] { return session.settled(8, 670, 208, 760); };
    osg::ref_ptr<osg::Image> eye = readout();
    viewer.send("keydown m mousemove --window " + viewer.window() + " 520 700");
    osg::ref_ptr<osg::Image> ground = readout();
    viewer.xdotool("mousemove --window " + viewer.window() + " 520 60");
    osg::ref_ptr<osg::Image> sky = readout();
    viewer.xdotool("keyup m");
    osg::ref_ptr<osg::Image> released = readout();
    ASSERT_TRUE(eye && ground && sky && released);
    EXPECT_GT(readoutDifference(*eye, *ground), 0.015f) << "the point on the ground is shown";
    EXPECT_LT(readoutDifference(*ground, *sky), 0.005f) << "over the sky the last point stays";
    EXPECT_LT(readoutDifference(*eye, *released), 0.005f) << "released, the eye is shown again";
    if (::testing::Test::HasFailure())
        ViewerSession::keep(*ground, "overlay-pick-ground");
    EXPECT_TRUE(session.stop());
}
