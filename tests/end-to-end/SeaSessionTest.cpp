// The shipped demo world in the real viewer: sea, sky and land in its screenshots, the sea moving,
// the drawing keys acting.

#include "ViewerSession.h"

#include <cmath>
#include <filesystem>

using namespace kelvotest;

namespace {

// Regions of the 1024 x 768 window in the shipped home view, clear of the head-up display.
enum Region { Sky, Land, Sea };
const int regions[][4] = {{250, 140, 760, 260}, {300, 420, 1000, 600}, {260, 715, 1000, 768}};

osg::Vec3f color(const osg::Image& image, Region r)
{
    return mean(image, regions[r][0], regions[r][1], regions[r][2], regions[r][3]);
}

float blueness(const osg::Image& image, Region r)
{
    const osg::Vec3f c = color(image, r);
    return c.z() - std::max(c.x(), c.y());
}

float change(const osg::Image& a, const osg::Image& b, Region r)
{
    return difference(a, b, regions[r][0], regions[r][1], regions[r][2], regions[r][3]);
}

} // namespace

TEST(SeaSession, ShippedDemoSeaSkyWavesAndDrawingKeys)
{
    ViewerSession session(1280, 1024, false, true);
    // The label cache is written by the first run; a run before may have left one in the tree.
    const std::string cache = session.tree().root() + "/Content/InfoPoints/InfoPoints.ive";
    std::filesystem::remove(cache);
    ASSERT_TRUE(session.start());
    const std::string log = session.output();
    for (const char* text :
         {"Pylon coordinate list not found", "Wire coordinate file could not be opened",
          "No InfoPoints found", "Could not open", "Unable to load model",
          "Failed to initialize Maris", "The ocean could not be created"})
        EXPECT_EQ(log.find(text), std::string::npos) << log;
    // Xvfb draws with llvmpipe: the lighter sea keeps the session interactive.
    EXPECT_NE(log.find(": drawing without multisampling, the sea with a "), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(cache)) << "the first run writes the label cache";

    // A slow frame may still show the help panel; each picture is the second one after its keys.
    auto after = [&](const std::string& keys) {
        if (!keys.empty())
            session.key(keys);
        session.shot();
        return session.shot();
    };
    // Sea at the bottom, sky at the top; the waves move while the land stands still.
    const osg::ref_ptr<osg::Image> first = after("");
    osg::ref_ptr<osg::Image> second;
    ASSERT_TRUE(first);
    EXPECT_TRUE(waitUntil([&] {
        return (second = session.shot()) && change(*first, *second, Sea) > 0.006f;
    })) << "the sea stood still";
    ASSERT_TRUE(second);
    EXPECT_GT(blueness(*first, Sea), 0.08f) << "the bottom rows are not sea";
    EXPECT_LT(color(*first, Sea) * osg::Vec3f(1, 1, 1), 1.8f) << "the sea is like the background";
    EXPECT_GT(blueness(*first, Sky), 0.1f) << "no blue sky at the top";
    // The sky is the cube map, not the configured background color (0.8, 0.8, 1).
    const osg::Vec3f sky = color(*first, Sky);
    EXPECT_GT(std::fabs(sky.x() - 0.8f) + std::fabs(sky.y() - 0.8f), 0.1f);
    EXPECT_LT(change(*first, *second, Land), 0.002f) << "the land changed without input";

    // Each drawing key changes the land; pressed again (F4 three times: faces, lines, points,
    // faces) it brings it back.
    const std::pair<const char*, const char*> keys[] = {{"F4", "F4 F4"}, {"F5", "F5"},
                                                         {"F6", "F6"}};
    for (const auto& key : keys) {
        osg::ref_ptr<osg::Image> changed = after(key.first);
        osg::ref_ptr<osg::Image> back = after(key.second);
        ASSERT_TRUE(changed && back) << key.first;
        EXPECT_GT(change(*first, *changed, Land), 0.01f) << key.first << " changed nothing";
        EXPECT_LT(change(*first, *back, Land), 0.003f) << key.first << " did not come back";
    }
    // Two-sided lighting changes nothing visible here; it must not break the drawing either.
    osg::ref_ptr<osg::Image> twoSided = after("F7");
    ASSERT_TRUE(twoSided);
    EXPECT_GT(blueness(*twoSided, Sea), 0.08f);
    EXPECT_TRUE(session.stop());
}
