// The shipped demo world with its sea in the real viewer: what the screenshots show over the sea,
// the sky and the land, how the sea changes over a second, that the scene's own drawing keys still
// act, that the coast's layers and label cache are there, and that the viewer runs the same under
// the threading models a user may choose. Screenshots are kept in the build tree for a person to
// look at.

#include "ViewerSession.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
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

class SeaSession : public ::testing::Test
{
protected:
    // The shipped configuration with some attributes replaced (regular expression, replacement).
    ::testing::AssertionResult configure(const std::map<std::string, std::string>& replacements)
    {
        std::string xml = RuntimeTree::readFile(std::string(KELVO_DIST_DIR) + "/Resources/Configuration.xml");
        for (const auto& r : replacements) {
            if (!std::regex_search(xml, std::regex(r.first)))
                return ::testing::AssertionFailure() << "no " << r.first << " in the shipped configuration";
            xml = std::regex_replace(xml, std::regex(r.first), r.second);
        }
        session.tree().writeConfiguration(xml);
        return ::testing::AssertionSuccess();
    }

    // Starts the viewer, hides the help panel, and waits for a frame drawn after that.
    ::testing::AssertionResult startViewing(const std::map<std::string, std::string>& environment)
    {
        ::testing::AssertionResult started =
            session.start("KELVOview", environment, std::chrono::seconds(90));
        if (!started)
            return started;
        session.viewer().key("F1");
        // A slow frame may still write a picture from before the key; the next one is after it.
        session.shot(std::chrono::seconds(60));
        return started;
    }

    osg::ref_ptr<osg::Image> shot(const std::string& name)
    {
        osg::ref_ptr<osg::Image> image = session.shot(std::chrono::seconds(60));
        if (image)
            Screenshot::save(*image, std::string(KELVO_TEST_OUTPUT_DIR) + "/" + name + ".png");
        return image;
    }

    // A key's effect, seen in the second screenshot after it.
    osg::ref_ptr<osg::Image> after(const std::string& keys, const std::string& name)
    {
        session.viewer().key(keys);
        session.shot(std::chrono::seconds(60));
        return shot(name);
    }

    ::testing::AssertionResult stopCleanly()
    {
        ::testing::AssertionResult stopped = session.stop();
        const std::string log = session.viewer().output();
        for (const char* failure : {"Failed to initialize Maris", "The ocean could not be created"})
            if (log.find(failure) != std::string::npos)
                return ::testing::AssertionFailure() << log;
        return stopped;
    }

    ViewerSession session{1280, 1024, false, true};
};

} // namespace

TEST_F(SeaSession, ShippedDemoSeaSkyWavesDrawingKeysAndLayers)
{
    // A viewer run leaves its label cache in the tree; this one starts without.
    std::filesystem::remove(session.tree().root() + "/Content/InfoPoints/InfoPoints.ive");
    ASSERT_TRUE(startViewing(verboseEnvironment()));
    const std::string log = session.viewer().output();
    for (const char* text : {"Pylon coordinate list not found", "Wire coordinate file could not be opened",
                             "No InfoPoints found", "Could not open", "Unable to load model"})
        EXPECT_EQ(std::string::npos, log.find(text)) << log;
    EXPECT_TRUE(std::filesystem::exists(session.tree().root() + "/Content/InfoPoints/InfoPoints.ive"))
        << "the first run writes the label cache";

    // Sea at the bottom, sky at the top; over a second the waves move while the land stands still.
    const osg::ref_ptr<osg::Image> first = shot("sea-a");
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const osg::ref_ptr<osg::Image> second = shot("sea-b");
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

    // Each drawing key changes the land; pressing it again (F4 three times: faces, lines, points,
    // faces) brings it back.
    const std::pair<const char*, int> keys[] = {{"F4", 3}, {"F5", 2}, {"F6", 2}};
    for (const auto& key : keys) {
        osg::ref_ptr<osg::Image> changed = after(key.first, std::string("keys-") + key.first);
        ASSERT_TRUE(changed);
        EXPECT_GT(difference(*first, *changed, homeLand), 0.01f) << key.first << " did nothing to the land";
        std::string rest;
        for (int i = 1; i < key.second; ++i)
            rest += std::string(rest.empty() ? "" : " ") + key.first;
        osg::ref_ptr<osg::Image> back = after(rest, std::string("keys-") + key.first + "-back");
        ASSERT_TRUE(back);
        EXPECT_LT(difference(*first, *back, homeLand), 0.003f) << key.first << " did not come back";
    }
    // Two-sided lighting changes nothing visible here; it must not break the drawing either.
    osg::ref_ptr<osg::Image> twoSided = after("F7", "keys-F7");
    ASSERT_TRUE(twoSided);
    EXPECT_GT(blueness(mean(*twoSided, homeSea)), 0.08f);

    // The terrain (layer 1) and the buildings (layer 2) fill the land; without them the sea shows.
    osg::ref_ptr<osg::Image> bare = after("1 2", "demo-home-bare");
    ASSERT_TRUE(bare);
    EXPECT_GT(difference(*twoSided, *bare, Region{300, 500, 1000, 660}), 0.1f);
    EXPECT_TRUE(stopCleanly());
}

// The calm sea as a mirror, once with the draw on a thread of its own and once with everything on
// the main thread (the threading models a user may choose besides the default above).
TEST_F(SeaSession, CalmSeaMirrorsThePylonsUnderTwoThreadingModels)
{
    // A calm sea is a mirror. From 3 m above it, level, looking north at pylon 18 (about 900 m
    // away, 11 m up, some 600 m inland): the pylons rise above the horizon row (384) and their
    // mirror images lie below it, in the water in front of the shore, which is some 290 m away.
    const std::string view = "<Navigation homeEyeX=\"-600\" homeEyeY=\"-700\" homeEyeZ=\"3\" homeCenterX=\"-600\" "
                             "homeCenterY=\"200\" homeCenterZ=\"3\"/>";
    osg::ref_ptr<osg::Image> with, without;
    for (const char* generate : {"1", "0"}) {
        ASSERT_TRUE(configure({{"<Navigation[^>]*/>", view},
                   {"seaState=\"[^\"]*\"", "seaState=\"0\""},
                   {"generatePowerline=\"[^\"]*\"", std::string("generatePowerline=\"") + generate + "\""}}));
        std::map<std::string, std::string> environment = verboseEnvironment();
        environment["OSG_THREADING"] = generate[0] == '1' ? "DrawThreadPerContext" : "SingleThreaded";
        ASSERT_TRUE(startViewing(environment));
        (generate[0] == '1' ? with : without) = shot(std::string("calm-sea-powerline-") + generate);
        EXPECT_TRUE(stopCleanly()) << environment["OSG_THREADING"];
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
