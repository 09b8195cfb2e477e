// The real program's coordinate readout seen in its own screenshots, as the camera flies over the
// hills with real keys and while M is held with the pointer over the ground and over the sky. The
// rest of the head-up display is tested in the viewer's own tests.

#include "ViewerSession.h"


#include <algorithm>
#include <cmath>
#include <string>
#include <thread>

using namespace kelvotest;

namespace {

// Window regions of a 1024 x 768 window in screenshot pixels (origin top left): x0, y0, x1, y1.
struct Region
{
    int x0, y0, x1, y1;
};
// The 200 x 90 coordinates panel at (8, 8) from the bottom left.
const Region readout{8, 670, 208, 760};

std::string window1024x768()
{
    return "<Window title=\"KELVOview 1.02\" x=\"0\" y=\"0\" width=\"1024\" height=\"768\" numSamples=\"0\"/>\n";
}

std::string hillsConfiguration(const std::string& navigation)
{
    return "<Scene loadInfoPoints=\"0\" generatePowerline=\"0\">\n"
           "  <Model name=\"Hills\" filename=\"../Content/Models/Hills.ive\" layerNum=\"1\" visible=\"1\"/>\n"
           "</Scene>\n" +
           navigation + window1024x768();
}

const std::string overTheHills =
    "<Navigation homeEyeX=\"-1800\" homeEyeY=\"-1800\" homeEyeZ=\"600\" homeCenterX=\"-1792.9\" "
    "homeCenterY=\"-1792.9\" homeCenterZ=\"597\"/>\n";

float luminance(const osg::Vec3f& c)
{
    return 0.2989f * c.x() + 0.587f * c.y() + 0.114f * c.z();
}

float meanLuminance(const osg::Image& image, const Region& r)
{
    return luminance(Screenshot::mean(image, r.x0, r.y0, r.x1, r.y1));
}

// Share of the region's pixels that are light and colorless: the cores of the white letters
// (the pale blue sky and the terrain do not count).
float whiteShare(const osg::Image& image, const Region& r)
{
    int white = 0, total = 0;
    for (int y = r.y0; y < r.y1; ++y)
        for (int x = r.x0; x < r.x1; ++x, ++total) {
            const osg::Vec3f c = Screenshot::pixel(image, x, y);
            const float low = std::min({c.x(), c.y(), c.z()});
            const float high = std::max({c.x(), c.y(), c.z()});
            white += low > 0.7f && high - low < 0.1f ? 1 : 0;
        }
    return total ? static_cast<float>(white) / total : 0.0f;
}

float difference(const osg::Image& a, const osg::Image& b, const Region& r)
{
    return Screenshot::difference(a, b, r.x0, r.y0, r.x1, r.y1);
}

void pause(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // namespace

TEST(OverlaySession, ReadoutAndPickOverTheHills)
{
    ViewerSession session(1280, 1024, false, true);
    session.tree().writeConfiguration(hillsConfiguration(overTheHills));
    ASSERT_TRUE(session.start());
    ViewerProcess& viewer = session.viewer();

    // The help panel, shown at start, would cover the scene.
    viewer.key("F1");

    // The readout: still camera, the same digits; flown forward, others.
    osg::ref_ptr<osg::Image> before = session.shot();
    osg::ref_ptr<osg::Image> still = session.shot();
    viewer.keyDown("w");
    pause(1500);
    viewer.keyUp("w");
    osg::ref_ptr<osg::Image> after = session.shot();
    ASSERT_TRUE(before && still && after);
    EXPECT_LT(difference(*before, *still, readout), 0.005f) << "a still camera reads the same";
    EXPECT_GT(difference(*before, *after, readout), 0.015f) << "the digits change as the eye moves";
    // White digits on the dark panel.
    EXPECT_GT(whiteShare(*after, Region{24, 680, 200, 748}), 0.015f);
    EXPECT_LT(meanLuminance(*after, Region{150, 676, 200, 690}), 0.35f) << "the panel behind them";
    session.keepOnFailure(*after, "overlay-readout-after");

    // Holding M reads the point under the pointer; over the sky the last point stays; released,
    // the eye is shown again. Capturing moves the pointer to the window's top left corner. First
    // the camera comes to rest: two readouts in a row that agree.
    osg::ref_ptr<osg::Image> eye = session.shot();
    for (int i = 0; i < 30 && eye; ++i) {
        osg::ref_ptr<osg::Image> next = session.shot();
        const bool rest = next && difference(*eye, *next, readout) < 0.001f;
        eye = next;
        if (rest)
            break;
    }
    viewer.keyDown("m");
    viewer.xdotool("mousemove --window " + viewer.window() + " 520 700");
    osg::ref_ptr<osg::Image> ground = session.shot();
    viewer.xdotool("mousemove --window " + viewer.window() + " 520 60");
    osg::ref_ptr<osg::Image> sky = session.shot();
    viewer.keyUp("m");
    osg::ref_ptr<osg::Image> released = session.shot();
    ASSERT_TRUE(eye && ground && sky && released);
    EXPECT_GT(difference(*eye, *ground, readout), 0.015f) << "the point on the ground is shown";
    EXPECT_LT(difference(*ground, *sky, readout), 0.005f) << "over the sky the last point stays";
    EXPECT_LT(difference(*eye, *released, readout), 0.005f) << "released, the eye is shown again";
    session.keepOnFailure(*ground, "overlay-pick-ground");
    EXPECT_TRUE(session.stop());
}
