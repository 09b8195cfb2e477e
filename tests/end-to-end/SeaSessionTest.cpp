// The demo world with its sea in the real viewer: what the screenshots show over the sea, the sky
// and the land, how the sea changes over a second, that the scene's own drawing keys still act,
// and that the viewer runs the same under the threading models a user may choose.

#include "RuntimeTree.h"
#include "Screenshot.h"
#include "ViewerProcess.h"
#include "XvfbServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <regex>
#include <thread>

using namespace kelvotest;

namespace {

struct Region
{
    int x0, y0, x1, y1;
};

// Window pixels, origin top left, of the 1024 x 768 demo window. In the shipped home view the
// land fills the middle band and the sea the bottom rows, away from the head-up display (readout
// bottom left, legend left, compass and logo at the top).
const Region homeSky{250, 140, 760, 260};
const Region homeLand{300, 420, 1000, 600};
const Region homeSea{260, 715, 1000, 768};

float blueness(const osg::Vec3f& c)
{
    return c.z() - std::max(c.x(), c.y());
}

float difference(const osg::Image& a, const osg::Image& b, const Region& r)
{
    return Screenshot::difference(a, b, r.x0, r.y0, r.x1, r.y1);
}

osg::Vec3f mean(const osg::Image& image, const Region& r)
{
    return Screenshot::mean(image, r.x0, r.y0, r.x1, r.y1);
}

class WaterEndToEnd : public ::testing::Test
{
protected:
    // The shipped configuration with some attributes replaced (regular expression, replacement).
    void configure(const std::map<std::string, std::string>& replacements)
    {
        std::string xml = tree.readConfiguration();
        for (const auto& r : replacements) {
            ASSERT_TRUE(std::regex_search(xml, std::regex(r.first))) << r.first;
            xml = std::regex_replace(xml, std::regex(r.first), r.second);
        }
        tree.writeConfiguration(xml);
    }

    // Waits for the window and a first drawn frame, and hides the help panel.
    void startViewing(ViewerProcess& viewer)
    {
        ASSERT_FALSE(viewer.waitForWindow("KELVOview", std::chrono::seconds(90)).empty()) << viewer.output();
        ASSERT_TRUE(Screenshot::capture(tree, viewer, std::chrono::seconds(90))) << viewer.output();
        viewer.key("F1");
        // A slow frame may still write a picture from before the key; the next one is after it.
        Screenshot::capture(tree, viewer, std::chrono::seconds(60));
    }

    osg::ref_ptr<osg::Image> shot(ViewerProcess& viewer, const std::string& name)
    {
        osg::ref_ptr<osg::Image> image = Screenshot::capture(tree, viewer, std::chrono::seconds(60));
        EXPECT_TRUE(image) << viewer.output();
        if (image)
            Screenshot::save(*image, std::string(KELVO_TEST_OUTPUT_DIR) + "/" + name + ".png");
        return image;
    }

    XvfbServer server{1280, 1024};
    RuntimeTree tree;
};

// The shipped demo in one threading model: sea at the bottom, sky at the top, and over a second
// the waves move while the land stands still.
void seaSkyAndWaves(ViewerProcess& viewer, const std::string& name,
                    const std::function<osg::ref_ptr<osg::Image>(const std::string&)>& shot)
{
    const osg::ref_ptr<osg::Image> first = shot(name + "-a");
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const osg::ref_ptr<osg::Image> second = shot(name + "-b");
    ASSERT_TRUE(first && second);

    const osg::Vec3f sea = mean(*first, homeSea);
    const osg::Vec3f sky = mean(*first, homeSky);
    EXPECT_GT(blueness(sea), 0.08f) << "the bottom rows are not sea: " << sea.x() << " " << sea.y() << " " << sea.z();
    EXPECT_LT(sea.x() + sea.y() + sea.z(), 1.8f) << "the sea is as bright as the background";
    EXPECT_GT(blueness(sky), 0.1f) << "no blue sky at the top";
    // The sky is the cube map, not the configured background color (0.8, 0.8, 1).
    EXPECT_GT(std::fabs(sky.x() - 0.8f) + std::fabs(sky.y() - 0.8f), 0.1f);

    // Mean absolute differences, 0 to 1 per channel.
    EXPECT_GT(difference(*first, *second, homeSea), 0.006f) << "the sea stood still for a second";
    EXPECT_LT(difference(*first, *second, homeLand), 0.002f) << "the land changed without input";
    EXPECT_TRUE(viewer.alive());
}

} // namespace

class WaterThreadingEndToEnd : public WaterEndToEnd, public ::testing::WithParamInterface<const char*>
{
};

TEST_P(WaterThreadingEndToEnd, ShippedDemoShowsSeaAndSkyAndTheWavesMove)
{
    ASSERT_TRUE(server.running());
    std::map<std::string, std::string> environment{{"OSG_NOTIFY_LEVEL", "INFO"}};
    const std::string model = GetParam();
    if (!model.empty())
        environment["OSG_THREADING"] = model;
    ViewerProcess viewer(tree, server.display(), environment);
    startViewing(viewer);
    const std::string name = "sea-" + (model.empty() ? std::string("default") : model);
    seaSkyAndWaves(viewer, name, [&](const std::string& n) { return shot(viewer, n); });
    viewer.key("Escape");
    EXPECT_EQ(0, viewer.waitForExit(std::chrono::seconds(30))) << viewer.output();
    const std::string log = viewer.output();
    EXPECT_EQ(std::string::npos, log.find("Failed to initialize Maris")) << log;
    EXPECT_EQ(std::string::npos, log.find("The ocean could not be created")) << log;
}

// The library's default, the draw on a thread of its own, and everything on the main thread.
INSTANTIATE_TEST_SUITE_P(ThreadingModels, WaterThreadingEndToEnd,
                         ::testing::Values("", "DrawThreadPerContext", "SingleThreaded"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param).empty() ? std::string("Default")
                                                                    : std::string(info.param);
                         });

TEST_F(WaterEndToEnd, CalmSeaMirrorsThePylonsStandingInlandOfTheShore)
{
    ASSERT_TRUE(server.running());
    // A calm sea is a mirror. From 3 m above it, level, looking north at pylon 18 (about 900 m
    // away, 11 m up, some 600 m inland): the pylons rise above the horizon row (384) and their
    // mirror images lie below it, in the water in front of the shore, which is some 290 m away.
    const std::string view = "<Navigation homeEyeX=\"-600\" homeEyeY=\"-700\" homeEyeZ=\"3\" homeCenterX=\"-600\" "
                             "homeCenterY=\"200\" homeCenterZ=\"3\"/>";
    osg::ref_ptr<osg::Image> with, without;
    for (const char* generate : {"1", "0"}) {
        configure({{"<Navigation[^>]*/>", view},
                   {"seaState=\"[^\"]*\"", "seaState=\"0\""},
                   {"generatePowerline=\"[^\"]*\"", std::string("generatePowerline=\"") + generate + "\""}});
        ViewerProcess viewer(tree, server.display());
        startViewing(viewer);
        (generate[0] == '1' ? with : without) = shot(viewer, std::string("calm-sea-powerline-") + generate);
        viewer.key("Escape");
        EXPECT_EQ(0, viewer.waitForExit(std::chrono::seconds(30))) << viewer.output();
    }
    ASSERT_TRUE(with && without);

    // Above the horizon: pylons and wires against the sky and the hills.
    int above = 0;
    for (int y = 250; y < 380; ++y)
        for (int x = 220; x < 1024; ++x) {
            const osg::Vec3f d = Screenshot::pixel(*with, x, y) - Screenshot::pixel(*without, x, y);
            above += std::max({std::fabs(d.x()), std::fabs(d.y()), std::fabs(d.z())}) > 0.15f ? 1 : 0;
        }
    // In the water in front of the shore: the steel's dark mirror image where the water showed the
    // bright sky. The ripples of two runs differ, but only by a few levels.
    int mirrored = 0;
    for (int y = 400; y < 520; ++y)
        for (int x = 220; x < 1024; ++x) {
            const osg::Vec3f water = Screenshot::pixel(*without, x, y);
            const osg::Vec3f d = water - Screenshot::pixel(*with, x, y);
            mirrored += blueness(water) > 0.08f && (d.x() + d.y() + d.z()) / 3.0f > 0.12f ? 1 : 0;
        }
    EXPECT_GT(above, 200) << "no pylons or wires in the view";
    EXPECT_GT(mirrored, 40) << "the pylons are not mirrored in the water";
}

TEST_F(WaterEndToEnd, DrawingKeysStillActOnTheSceneDrawnWithTheSea)
{
    ASSERT_TRUE(server.running());
    ViewerProcess viewer(tree, server.display());
    startViewing(viewer);
    osg::ref_ptr<osg::Image> before = shot(viewer, "keys-before");
    ASSERT_TRUE(before);
    // Each key changes the land; pressing it again (F4 three times: faces, lines, points, faces)
    // brings it back.
    const std::pair<const char*, int> keys[] = {{"F4", 3}, {"F5", 2}, {"F6", 2}};
    for (const auto& key : keys) {
        viewer.key(key.first);
        Screenshot::capture(tree, viewer, std::chrono::seconds(60));
        osg::ref_ptr<osg::Image> changed = shot(viewer, std::string("keys-") + key.first);
        ASSERT_TRUE(changed);
        EXPECT_GT(difference(*before, *changed, homeLand), 0.01f) << key.first << " did nothing to the land";
        for (int i = 1; i < key.second; ++i)
            viewer.key(key.first);
        Screenshot::capture(tree, viewer, std::chrono::seconds(60));
        osg::ref_ptr<osg::Image> back = shot(viewer, std::string("keys-") + key.first + "-back");
        ASSERT_TRUE(back);
        EXPECT_LT(difference(*before, *back, homeLand), 0.003f) << key.first << " did not come back";
    }
    // Two-sided lighting changes nothing visible here; it must not break the drawing either.
    viewer.key("F7");
    osg::ref_ptr<osg::Image> twoSided = shot(viewer, "keys-F7");
    ASSERT_TRUE(twoSided);
    EXPECT_GT(blueness(mean(*twoSided, homeSea)), 0.08f);
    EXPECT_TRUE(viewer.alive());
}
