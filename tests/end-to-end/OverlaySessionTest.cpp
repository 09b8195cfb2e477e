#include "RuntimeTree.h"
#include "Screenshot.h"
#include "ViewerProcess.h"
#include "XvfbServer.h"

#include <gtest/gtest.h>
#include <osgDB/ReadFile>

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
// Inside the help panel (x 112 to 912, y 134 to 634) where no text lies.
const Region emptyHelpPanel{620, 560, 890, 620};
// The key column's lines, right of the legend.
const Region helpKeys{210, 165, 480, 600};
// The 200 x 90 coordinates panel at (8, 8) from the bottom left.
const Region readout{8, 670, 208, 760};
// The compass, 128 pixels wide, 8 pixels from the top left corner.
const Region compass{8, 8, 136, 136};

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

// Mean difference between the screenshot at (x0, y0) and an image with straight alpha drawn over
// a plain background.
float differenceFromComposite(const osg::Image& shot, int x0, int y0, const osg::Image& overlay,
                              const osg::Vec3f& background)
{
    double sum = 0.0;
    int count = 0;
    for (int y = 0; y < overlay.t(); ++y) {
        for (int x = 0; x < overlay.s(); ++x, ++count) {
            // Image rows run bottom up; screenshot rows top down.
            const osg::Vec4 c = overlay.getColor(x, overlay.t() - 1 - y);
            const osg::Vec3f expected = osg::Vec3f(c.r(), c.g(), c.b()) * c.a() + background * (1.0f - c.a());
            const osg::Vec3f d = Screenshot::pixel(shot, x0 + x, y0 + y) - expected;
            sum += (std::fabs(d.x()) + std::fabs(d.y()) + std::fabs(d.z())) / 3.0;
        }
    }
    return count ? static_cast<float>(sum / count) : 1.0f;
}

// Centre of the compass's red (north) pixels relative to the compass centre, y up.
osg::Vec2f northMarkOffset(const osg::Image& shot)
{
    osg::Vec2f sum;
    int count = 0;
    for (int y = compass.y0; y < compass.y1; ++y)
        for (int x = compass.x0; x < compass.x1; ++x) {
            const osg::Vec3f c = Screenshot::pixel(shot, x, y);
            if (c.x() > 0.7f && c.y() < 0.5f && c.z() < 0.45f) {
                sum += osg::Vec2f(x + 0.5f - 72.0f, 72.0f - (y + 0.5f));
                ++count;
            }
        }
    return count > 20 ? sum / static_cast<float>(count) : osg::Vec2f();
}

void pause(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

class OverlayEndToEnd : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(server.running()); }

    void keepOnFailure(const osg::Image& image, const std::string& name)
    {
        if (HasFailure())
            Screenshot::save(image, ::testing::TempDir() + "overlay-" + name + ".png");
    }

    XvfbServer server{1280, 1024};
    RuntimeTree tree;
};

} // namespace

TEST_F(OverlayEndToEnd, HelpPanelShownAtStartF1HidesAndShowsIt)
{
    // Over the plain default background every light pixel in the panel belongs to the text.
    tree.writeConfiguration(window1024x768());
    ViewerProcess viewer(tree, server.display());
    ASSERT_FALSE(viewer.waitForWindow().empty()) << viewer.output();

    osg::ref_ptr<osg::Image> shown = Screenshot::capture(tree, viewer);
    viewer.key("F1");
    osg::ref_ptr<osg::Image> hidden = Screenshot::capture(tree, viewer);
    viewer.key("F1");
    osg::ref_ptr<osg::Image> again = Screenshot::capture(tree, viewer);
    ASSERT_TRUE(shown && hidden && again);
    ASSERT_EQ(1024, shown->s());
    ASSERT_EQ(768, shown->t());

    // The translucent dark panel darkens the scene; white lines of text lie on it.
    EXPECT_LT(meanLuminance(*shown, emptyHelpPanel), 0.6f * meanLuminance(*hidden, emptyHelpPanel));
    EXPECT_GT(whiteShare(*shown, helpKeys), 0.004f);
    EXPECT_EQ(0.0f, whiteShare(*hidden, helpKeys));
    // Shown again, it looks as at start; the rest of the display never changed.
    EXPECT_LT(difference(*shown, *again, Region{112, 134, 912, 634}), 0.01f);
    EXPECT_LT(difference(*shown, *hidden, readout), 0.01f);
    EXPECT_GT(difference(*shown, *hidden, Region{112, 134, 912, 634}), 0.05f);
    keepOnFailure(*shown, "help-shown");
    keepOnFailure(*hidden, "help-hidden");
}

TEST_F(OverlayEndToEnd, LogoFollowsTheConfiguredBackground)
{
    osg::ref_ptr<osg::Image> light = osgDB::readRefImageFile(tree.root() + "/Resources/Images/Logo_light.png");
    osg::ref_ptr<osg::Image> dark = osgDB::readRefImageFile(tree.root() + "/Resources/Images/Logo_dark.png");
    ASSERT_TRUE(light && dark);
    const int x0 = 1024 - light->s() - 16;
    const int y0 = 8;

    struct Case
    {
        const char* name;
        osg::Vec3f background;
        const osg::Image* expected;
        const osg::Image* other;
    };
    for (const Case& c : {Case{"white", osg::Vec3f(1, 1, 1), light.get(), dark.get()},
                          Case{"black", osg::Vec3f(0, 0, 0), dark.get(), light.get()},
                          Case{"dark-blue", osg::Vec3f(0.1f, 0.2f, 0.6f), dark.get(), light.get()}}) {
        SCOPED_TRACE(c.name);
        RuntimeTree run(false);
        char environment[200];
        std::snprintf(environment, sizeof(environment),
                      "<Environment backgroundColorRed=\"%g\" backgroundColorGreen=\"%g\" backgroundColorBlue=\"%g\"/>\n",
                      c.background.x(), c.background.y(), c.background.z());
        run.writeConfiguration(environment + window1024x768());
        ViewerProcess viewer(run, server.display());
        ASSERT_FALSE(viewer.waitForWindow().empty()) << viewer.output();
        osg::ref_ptr<osg::Image> shot = Screenshot::capture(run, viewer);
        ASSERT_TRUE(shot);
        EXPECT_LT(differenceFromComposite(*shot, x0, y0, *c.expected, c.background), 0.03f);
        EXPECT_GT(differenceFromComposite(*shot, x0, y0, *c.other, c.background), 0.08f);
        keepOnFailure(*shot, std::string("logo-") + c.name);
        viewer.key("Escape");
        EXPECT_EQ(0, viewer.waitForExit());
    }
}

TEST_F(OverlayEndToEnd, ReadoutChangesAsTheCameraMovesForward)
{
    tree.writeConfiguration(hillsConfiguration(overTheHills));
    ViewerProcess viewer(tree, server.display());
    ASSERT_FALSE(viewer.waitForWindow().empty()) << viewer.output();

    osg::ref_ptr<osg::Image> before = Screenshot::capture(tree, viewer);
    osg::ref_ptr<osg::Image> still = Screenshot::capture(tree, viewer);
    viewer.keyDown("w");
    pause(1500);
    viewer.keyUp("w");
    pause(800);
    osg::ref_ptr<osg::Image> after = Screenshot::capture(tree, viewer);
    ASSERT_TRUE(before && still && after);

    EXPECT_LT(difference(*before, *still, readout), 0.005f) << "a still camera reads the same";
    EXPECT_GT(difference(*before, *after, readout), 0.015f) << "the digits change as the eye moves";
    // White digits on the dark panel, before and after.
    EXPECT_GT(whiteShare(*after, Region{24, 680, 200, 748}), 0.015f);
    EXPECT_LT(meanLuminance(*after, Region{150, 676, 200, 690}), 0.35f) << "the panel behind them";
    keepOnFailure(*before, "readout-before");
    keepOnFailure(*after, "readout-after");
}

TEST_F(OverlayEndToEnd, ReadoutFollowsTheConfiguredHomeView)
{
    osg::ref_ptr<osg::Image> shots[2];
    const std::string homes[2] = {
        overTheHills,
        "<Navigation homeEyeX=\"350\" homeEyeY=\"-1200\" homeEyeZ=\"900\" homeCenterX=\"350\" homeCenterY=\"-1190\" "
        "homeCenterZ=\"897\"/>\n"};
    for (int i = 0; i < 2; ++i) {
        RuntimeTree run;
        run.writeConfiguration(hillsConfiguration(homes[i]));
        ViewerProcess viewer(run, server.display());
        ASSERT_FALSE(viewer.waitForWindow().empty()) << viewer.output();
        shots[i] = Screenshot::capture(run, viewer);
        ASSERT_TRUE(shots[i]);
    }
    EXPECT_GT(difference(*shots[0], *shots[1], readout), 0.015f);
    EXPECT_LT(difference(*shots[0], *shots[1], Region{779, 8, 1008, 64}), 0.01f) << "the logo stays";
}

TEST_F(OverlayEndToEnd, HoldingMReadsThePointUnderThePointer)
{
    tree.writeConfiguration(hillsConfiguration(overTheHills));
    ViewerProcess viewer(tree, server.display());
    ASSERT_FALSE(viewer.waitForWindow().empty()) << viewer.output();
    osg::ref_ptr<osg::Image> eye = Screenshot::capture(tree, viewer);

    viewer.keyDown("m");
    viewer.xdotool("mousemove --window " + viewer.window() + " 520 700");
    pause(500);
    osg::ref_ptr<osg::Image> ground = Screenshot::capture(tree, viewer);
    // Capturing moves the pointer to the window's top left corner, which shows only sky.
    viewer.xdotool("mousemove --window " + viewer.window() + " 520 60");
    pause(500);
    osg::ref_ptr<osg::Image> sky = Screenshot::capture(tree, viewer);
    viewer.keyUp("m");
    pause(500);
    osg::ref_ptr<osg::Image> released = Screenshot::capture(tree, viewer);
    ASSERT_TRUE(eye && ground && sky && released);

    EXPECT_GT(difference(*eye, *ground, readout), 0.015f) << "the point on the ground is shown";
    EXPECT_LT(difference(*ground, *sky, readout), 0.005f) << "over the sky the last point stays";
    EXPECT_LT(difference(*eye, *released, readout), 0.005f) << "released, the eye is shown again";
    keepOnFailure(*ground, "pick-ground");
}

TEST_F(OverlayEndToEnd, CompassKeepsNorthAtTheTopOfTheRose)
{
    const struct
    {
        const char* name;
        const char* navigation;
        osg::Vec2f direction; // where the north mark must lie, on screen
    } cases[] = {
        {"north", "<Navigation homeEyeX=\"0\" homeEyeY=\"0\" homeEyeZ=\"700\" homeCenterX=\"0\" homeCenterY=\"10\" homeCenterZ=\"697\"/>\n",
         osg::Vec2f(0, 1)},
        {"east", "<Navigation homeEyeX=\"0\" homeEyeY=\"0\" homeEyeZ=\"700\" homeCenterX=\"10\" homeCenterY=\"0\" homeCenterZ=\"697\"/>\n",
         osg::Vec2f(-1, 0)},
        {"south-west", "<Navigation homeEyeX=\"0\" homeEyeY=\"0\" homeEyeZ=\"700\" homeCenterX=\"-10\" homeCenterY=\"-10\" homeCenterZ=\"697\"/>\n",
         osg::Vec2f(1, -1) / std::sqrt(2.0f)}, // north lies behind, to the right
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RuntimeTree run;
        run.writeConfiguration(hillsConfiguration(c.navigation));
        ViewerProcess viewer(run, server.display());
        ASSERT_FALSE(viewer.waitForWindow().empty()) << viewer.output();
        osg::ref_ptr<osg::Image> shot = Screenshot::capture(run, viewer);
        ASSERT_TRUE(shot);
        const osg::Vec2f mark = northMarkOffset(*shot);
        ASSERT_GT(mark.length(), 15.0f) << "red north mark found";
        EXPECT_GT((mark / mark.length()) * c.direction, 0.97f) << mark.x() << ", " << mark.y();
        keepOnFailure(*shot, std::string("compass-") + c.name);
    }
}
