// The staged demo world in the real viewer, seen from views computed from the staged data: the
// power line and the place names, each while the other's data is missing, which leaves the rest
// of the world running.

#include "util/CompleteLineReader.h"
#include "content/powerline/PylonListParser.h"

#include "ViewerSession.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>

using namespace kelvotest;

namespace {

struct Region
{
    int x0, y0, x1, y1;
};

// Window pixels, origin top left, of the 1024 x 768 demo window, clear of the head-up display
// (compass top left, legend at the left edge, logo top right, readout bottom left).
const Region pylonColumn{452, 240, 572, 720};
const Region wiresRight{640, 160, 900, 600};
const Region wiresLeft{250, 160, 400, 600};
const Region belowPylon{300, 384, 724, 740};
const Region labelCentre{312, 284, 712, 484};

const osg::Vec3f Background(0.8f, 0.8f, 1.0f);

using PixelTest = bool (*)(const osg::Vec3f&);

bool black(const osg::Vec3f& c)
{
    return std::max({c.x(), c.y(), c.z()}) < 0.12f;
}
bool white(const osg::Vec3f& c)
{
    return std::min({c.x(), c.y(), c.z()}) > 0.93f;
}
bool notBackground(const osg::Vec3f& c)
{
    return std::fabs(c.x() - Background.x()) > 0.06f || std::fabs(c.y() - Background.y()) > 0.06f ||
           std::fabs(c.z() - Background.z()) > 0.06f;
}

int count(const osg::Image& image, const Region& r, PixelTest test)
{
    int n = 0;
    for (int y = r.y0; y < r.y1; ++y)
        for (int x = r.x0; x < r.x1; ++x)
            n += test(Screenshot::pixel(image, x, y)) ? 1 : 0;
    return n;
}

double attribute(const std::string& xml, const std::string& name)
{
    std::smatch match;
    if (!std::regex_search(xml, match, std::regex(name + "=\"([^\"]*)\"")))
        return 0.0;
    return std::atof(match[1].str().c_str());
}

std::string navigation(const osg::Vec3d& eye, const osg::Vec3d& centre)
{
    char buffer[400];
    std::snprintf(buffer, sizeof(buffer),
                  "<Navigation homeEyeX=\"%.3f\" homeEyeY=\"%.3f\" homeEyeZ=\"%.3f\" homeCenterX=\"%.3f\" "
                  "homeCenterY=\"%.3f\" homeCenterZ=\"%.3f\"/>",
                  eye.x(), eye.y(), eye.z(), centre.x(), centre.y(), centre.z());
    return buffer;
}

class DemoWorld : public ::testing::Test
{
protected:
    // A viewer run in the staged tree leaves its label cache there; every test starts without.
    void SetUp() override { std::filesystem::remove(tree.root() + "/Content/InfoPoints/InfoPoints.ive"); }

    // The shipped configuration with the home view replaced, and without the sea and sky: these
    // views are judged against the plain background color.
    ::testing::AssertionResult configure(const std::string& view)
    {
        const std::string shipped = tree.readConfiguration();
        if (shipped.find("<Navigation") == std::string::npos || shipped.find("enableWater=\"1\"") == std::string::npos)
            return ::testing::AssertionFailure() << "not the shipped configuration:\n" << shipped;
        const std::string dry = std::regex_replace(shipped, std::regex("enableWater=\"1\""), "enableWater=\"0\"");
        tree.writeConfiguration(std::regex_replace(dry, std::regex("<Navigation[^>]*/>"), view));
        return ::testing::AssertionSuccess();
    }

    osg::Vec3d offset()
    {
        const std::string xml = tree.readConfiguration();
        return osg::Vec3d(attribute(xml, "offsetX"), attribute(xml, "offsetY"), attribute(xml, "offsetZ"));
    }

    // From 40 m beside the pylon, across the line: the pylon in the middle, its wires running
    // left and right through the picture, its label 30 m behind it.
    std::string pylonView(int number)
    {
        std::ifstream list(tree.root() + "/Content/Powerline/Koordinatlista_Stolpar_KelvoView.txt");
        for (const osgKELVO::PylonRecord& r : osgKELVO::PylonListParser::parse(list)) {
            if (r.number != number || r.blockName != "Stolpkropp")
                continue;
            const osg::Vec3d base = r.position - offset();
            const double h = r.headingGon * osg::PI / 200.0;
            const osg::Vec3d arm(std::cos(h), -std::sin(h), 0.0);
            return navigation(base - arm * 40.0 + osg::Vec3d(0, 0, 20), base + osg::Vec3d(0, 0, 12));
        }
        ADD_FAILURE() << "no pylon " << number << " in the staged pylon list";
        return std::string();
    }

    // From 150 m south of a label, level with it.
    std::string labelView(const std::string& file, const std::string& name)
    {
        std::ifstream in(tree.root() + "/Content/InfoPoints/" + file, std::ios::binary);
        for (const std::string& line : osgKELVO::CompleteLineReader::read(in)) {
            const auto fields = osgKELVO::CompleteLineReader::split(line);
            if (fields.size() < 5 || fields[0] != name)
                continue;
            const double s = std::atoi(fields[1].c_str());
            const osg::Vec3d label(std::atof(fields[2].c_str()), std::atof(fields[3].c_str()),
                                   std::atof(fields[4].c_str()) + 4.0 * s);
            return navigation(label - osg::Vec3d(0, 150, 0), label);
        }
        ADD_FAILURE() << "no label " << name << " in " << file;
        return std::string();
    }

    // Starts the viewer, hides the help panel and returns a screenshot, then hides the terrain
    // (layer 1) and the buildings (layer 2) and returns a second one in `bare`.
    ::testing::AssertionResult run(osg::ref_ptr<osg::Image>& full, osg::ref_ptr<osg::Image>& bare,
                                   const std::string& name)
    {
        ::testing::AssertionResult started = session.start("KELVOview", verboseEnvironment(),
                                                           std::chrono::seconds(90));
        if (!started)
            return started;
        session.viewer().key("F1");
        // A slow frame may still write a picture from before a key; the second one is after it.
        session.shot(std::chrono::seconds(60));
        full = session.shot(std::chrono::seconds(60));
        session.viewer().key("1 2");
        session.shot(std::chrono::seconds(60));
        bare = session.shot(std::chrono::seconds(60));
        if (!full || !bare)
            return ::testing::AssertionFailure() << "no screenshots";
        Screenshot::save(*full, std::string(KELVO_TEST_OUTPUT_DIR) + "/" + name + "-full.png");
        Screenshot::save(*bare, std::string(KELVO_TEST_OUTPUT_DIR) + "/" + name + "-bare.png");
        return ::testing::AssertionSuccess();
    }

    ViewerSession session{1280, 1024, false, true};
    RuntimeTree& tree = session.tree();
};

TEST_F(DemoWorld, PlaceNameFacesTheViewerWithoutThePylonList)
{
    // From 150 m south of a place name, level with it: the label faces the viewer.
    ASSERT_TRUE(configure(labelView("Ortnamn.csv", "Norrby")));
    std::filesystem::remove(tree.root() + "/Content/Powerline/Koordinatlista_Stolpar_KelvoView.txt");
    osg::ref_ptr<osg::Image> full, bare;
    ASSERT_TRUE(run(full, bare, "demo-no-pylon-list"));
    ViewerProcess& viewer = session.viewer();
    EXPECT_TRUE(viewer.waitForOutput("Pylon coordinate list not found"));
    EXPECT_GT(count(*bare, labelCentre, white), 800);
    EXPECT_GT(count(*full, Region{0, 500, 1024, 660}, notBackground), 1024 * 160 * 9 / 10);
    EXPECT_TRUE(viewer.alive());
}

TEST_F(DemoWorld, PylonWiresAndNumberLabelWithoutThePlaceNames)
{
    // From 40 m beside pylon 12, across the line.
    ASSERT_TRUE(configure(pylonView(12)));
    std::filesystem::remove_all(tree.root() + "/Content/InfoPoints");
    osg::ref_ptr<osg::Image> full, bare;
    ASSERT_TRUE(run(full, bare, "demo-no-labels"));
    ViewerProcess& viewer = session.viewer();
    EXPECT_TRUE(viewer.waitForOutput("No InfoPoints found"));
    // The lattice tower in the middle, grey steel against the background.
    EXPECT_GT(count(*bare, pylonColumn, notBackground), 1500);
    // The conductors on both sides: thin grey lines through otherwise empty background.
    EXPECT_GT(count(*bare, wiresRight, notBackground), 150);
    EXPECT_GT(count(*bare, wiresLeft, notBackground), 100);
    // The number label: black letters outlined in white.
    EXPECT_GT(count(*bare, belowPylon, black), 40);
    EXPECT_GT(count(*bare, belowPylon, white), 40);
    EXPECT_TRUE(viewer.alive());
}

} // namespace
