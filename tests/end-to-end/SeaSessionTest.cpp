// The shipped demo world in the real viewer: sea, sky and land in its screenshots, the sea moving,
// the drawing keys and layers acting.

#include "ViewerSession.h"

#include <cmath>
#include <filesystem>

using namespace kelvotest;

namespace {

// Regions of the 1024 x 768 window in the shipped home view, clear of the head-up display.
struct Region
{
    int x0, y0, x1, y1;
};
const Region sky{250, 140, 760, 260}, land{300, 420, 1000, 600}, sea{260, 715, 1000, 768};

osg::Vec3f color(const osg::Image& image, const Region& r)
{
    return mean(image, r.x0, r.y0, r.x1, r.y1);
}

float blueness(const osg::Image& image, const Region& r)
{
    const osg::Vec3f c = color(image, r);
    return c.z() - std::max(c.x(), c.y());
}

float change(const osg::Image& a, const osg::Image& b, const Region& r)
{
    return difference(a, b, r.x0, r.y0, r.x1, r.y1);
}

} // namespace

TEST(SeaSession, ShippedDemoSeaSkyWavesDrawingKeysAndLayers)
{
    ViewerSession session(1280, 1024, false, true);
    // The label cache is written by the first run; a run before may have left one in the tree.
    const std::string cache = session.tree().root() + "/Content/InfoPoints/InfoPoints.ive";
    std::filesystem::remove(cache);
    ASSERT_TRUE(session.start());
    const std::string log = session.viewer().output();
    for (const char* text :
         {"Pylon coordinate list not found", "Wire coordinate file could not be opened",
          "No InfoPoints found", "Could not open", "Unable to load model",
          "Failed to initialize Maris", "The ocean could not be created"})
        EXPECT_EQ(std::string::npos, log.find(text)) << log;
    EXPECT_TRUE(std::filesystem::exists(cache)) << "the first run writes the label cache";

    // A slow frame may still show the help panel; each picture is the second one after its keys.
    auto after = [&](const std::string& keys) {
        if (!keys.empty())
            session.viewer().key(keys);
        session.shot();
        return session.shot();
    };
    // Sea at the bottom, sky at the top; the waves move while the land stands still.
    const osg::ref_ptr<osg::Image> first = after("");
    osg::ref_ptr<osg::Image> second;
    ASSERT_TRUE(first);
    EXPECT_TRUE(waitUntil(
        [&] { return (second = session.shot()) && change(*first, *second, sea) > 0.006f; }))
        << "the sea stood still";
    ASSERT_TRUE(second);
    EXPECT_GT(blueness(*first, sea), 0.08f) << "the bottom rows are not sea";
    EXPECT_LT(color(*first, sea) * osg::Vec3f(1, 1, 1), 1.8f) << "the sea is like the background";
    EXPECT_GT(blueness(*first, sky), 0.1f) << "no blue sky at the top";
    // The sky is the cube map, not the configured background color (0.8, 0.8, 1).
    const osg::Vec3f skyColor = color(*first, sky);
    EXPECT_GT(std::fabs(skyColor.x() - 0.8f) + std::fabs(skyColor.y() - 0.8f), 0.1f);
    EXPECT_LT(change(*first, *second, land), 0.002f) << "the land changed without input";

    // Each drawing key changes the land; pressed again (F4 three times: faces, lines, points,
    // faces) it brings it back.
    for (const auto& key :
         {std::make_pair("F4", "F4 F4"), std::make_pair("F5", "F5"), std::make_pair("F6", "F6")}) {
        osg::ref_ptr<osg::Image> changed = after(key.first);
        osg::ref_ptr<osg::Image> back = after(key.second);
        ASSERT_TRUE(changed && back) << key.first;
        EXPECT_GT(change(*first, *changed, land), 0.01f) << key.first << " changed nothing";
        EXPECT_LT(change(*first, *back, land), 0.003f) << key.first << " did not come back";
    }
    // Two-sided lighting changes nothing visible here; it must not break the drawing either.
    osg::ref_ptr<osg::Image> twoSided = after("F7");
    // The terrain (layer 1) and the buildings (layer 2) fill the land; without them the sea shows.
    osg::ref_ptr<osg::Image> bare = after("1 2");
    ASSERT_TRUE(twoSided && bare);
    EXPECT_GT(blueness(*twoSided, sea), 0.08f);
    EXPECT_GT(change(*twoSided, *bare, Region{300, 500, 1000, 660}), 0.1f);
    EXPECT_TRUE(session.stop());
}
