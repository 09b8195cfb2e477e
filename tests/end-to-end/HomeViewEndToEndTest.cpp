// The real KELVOview flown with real keys: Space returns to the home view, and F3 makes the current
// view the home view of the next start (written to the configuration file and shown again).

#include "RuntimeTree.h"
#include "Screenshot.h"
#include "ViewerProcess.h"
#include "XvfbServer.h"

#include <osg/Geode>
#include <osg/ShapeDrawable>
#include <osgDB/WriteFile>

#include <tinyxml2.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <thread>

using kelvotest::RuntimeTree;
using kelvotest::Screenshot;
using kelvotest::ViewerProcess;
using kelvotest::XvfbServer;

namespace {

const char* const title = "KELVOview navigation test";

// Four unlit boxes side by side on the x axis, seen from 120 m in front of them.
const char* const configuration =
    "<Scene loadInfoPoints=\"0\" generatePowerline=\"0\">\n"
    "  <Model name=\"Boxes\" filename=\"../Content/Boxes/boxes.osg\" layerNum=\"1\" visible=\"1\"/>\n"
    "</Scene>\n"
    "<Environment backgroundColorRed=\"0.1\" backgroundColorGreen=\"0.1\" backgroundColorBlue=\"0.1\" "
    "enableWater=\"0\" seaState=\"3\" windDirection=\"250\"/>\n"
    "<Navigation homeEyeX=\"0\" homeEyeY=\"-120\" homeEyeZ=\"10\" homeCenterX=\"0\" homeCenterY=\"-110\" "
    "homeCenterZ=\"10\"/>\n"
    "<Window title=\"KELVOview navigation test\" x=\"0\" y=\"0\" width=\"640\" height=\"480\" maximized=\"0\" "
    "fullscreen=\"0\" screenNum=\"0\" numSamples=\"0\" stereo=\"0\"/>\n";

void writeBoxes(const std::string& path)
{
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    const osg::Vec4 colors[] = {{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}, {1, 1, 0, 1}};
    for (int i = 0; i < 4; ++i) {
        osg::ref_ptr<osg::ShapeDrawable> box =
            new osg::ShapeDrawable(new osg::Box(osg::Vec3(-36.0f + 24.0f * i, 0.0f, 10.0f), 24.0f));
        box->setColor(colors[i]);
        geode->addDrawable(box);
    }
    geode->getOrCreateStateSet()->setMode(GL_LIGHTING, osg::StateAttribute::OFF | osg::StateAttribute::PROTECTED);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    ASSERT_TRUE(osgDB::writeNodeFile(*geode, path)) << path;
}

std::map<std::string, double> navigationAttributes(const std::string& xml)
{
    std::map<std::string, double> values;
    tinyxml2::XMLDocument document;
    if (document.Parse(xml.c_str()) != tinyxml2::XML_SUCCESS)
        return values;
    if (const tinyxml2::XMLElement* navigation = document.FirstChildElement("Navigation"))
        for (const tinyxml2::XMLAttribute* a = navigation->FirstAttribute(); a; a = a->Next())
            values[a->Name()] = a->DoubleValue();
    return values;
}

double distance(const std::map<std::string, double>& n, const char* ax, const char* ay, const char* az,
                double bx, double by, double bz)
{
    return std::sqrt(std::pow(n.at(ax) - bx, 2) + std::pow(n.at(ay) - by, 2) + std::pow(n.at(az) - bz, 2));
}

class HomeViewEndToEndTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.running());
        tree.writeConfiguration(configuration);
        writeBoxes(tree.root() + "/Content/Boxes/boxes.osg");
    }

    void start()
    {
        // A new run numbers its screenshots from the start again; clear the old ones away.
        for (const auto& entry : std::filesystem::directory_iterator(tree.root()))
            if (entry.path().extension() == ".jpg")
                std::filesystem::remove(entry.path());
        viewer.reset(new ViewerProcess(tree, server.display()));
        ASSERT_FALSE(viewer->waitForWindow(title).empty()) << viewer->output();
        // Keep the help panel, when there is one, out of the pictures.
        viewer->key("F1");
    }

    void hold(const std::string& key, int milliseconds)
    {
        viewer->keyDown(key);
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        viewer->keyUp(key);
    }

    // A screenshot once the smoothed motion has died away: two in a row that agree.
    osg::ref_ptr<osg::Image> settledView()
    {
        osg::ref_ptr<osg::Image> last = Screenshot::capture(tree, *viewer);
        for (int i = 0; i < 20 && last.valid(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
            osg::ref_ptr<osg::Image> next = Screenshot::capture(tree, *viewer);
            if (!next.valid())
                break;
            if (difference(*last, *next) < 0.001f)
                return next;
            last = next;
        }
        ADD_FAILURE() << "the view did not come to rest";
        return last;
    }

    static float difference(const osg::Image& a, const osg::Image& b)
    {
        return Screenshot::difference(a, b, 0, 0, a.s(), a.t());
    }

    std::map<std::string, double> save()
    {
        tree.removeConfiguration();
        viewer->key("F3");
        for (int i = 0; i < 50 && tree.readConfiguration().empty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return navigationAttributes(tree.readConfiguration());
    }

    XvfbServer server{1024, 768, false};
    RuntimeTree tree{false};
    std::unique_ptr<ViewerProcess> viewer;
};

} // namespace

TEST_F(HomeViewEndToEndTest, SpaceReturnsHomeAndF3MakesTheCurrentViewTheNextHome)
{
    start();
    osg::ref_ptr<osg::Image> home = settledView();
    ASSERT_TRUE(home.valid());

    hold("j", 400);
    hold("w", 800);
    osg::ref_ptr<osg::Image> away = settledView();
    ASSERT_TRUE(away.valid());
    EXPECT_GT(difference(*home, *away), 0.02f);

    viewer->key("space");
    osg::ref_ptr<osg::Image> back = settledView();
    ASSERT_TRUE(back.valid());
    EXPECT_LT(difference(*home, *back), 0.003f);

    hold("l", 100);
    hold("k", 80);
    hold("w", 600);
    osg::ref_ptr<osg::Image> saved = settledView();
    ASSERT_TRUE(saved.valid());
    EXPECT_GT(difference(*home, *saved), 0.02f);

    const std::map<std::string, double> written = save();
    ASSERT_EQ(written.size(), 6u) << tree.readConfiguration();
    EXPECT_GT(distance(written, "homeEyeX", "homeEyeY", "homeEyeZ", 0, -120, 10), 0.5);
    EXPECT_NEAR(distance(written, "homeCenterX", "homeCenterY", "homeCenterZ", written.at("homeEyeX"),
                         written.at("homeEyeY"), written.at("homeEyeZ")),
                10.0, 1e-3);
    // Pitched down with K: the centre lies below the eye.
    EXPECT_LT(written.at("homeCenterZ"), written.at("homeEyeZ"));

    viewer->key("Escape");
    ASSERT_EQ(viewer->waitForExit(), 0) << viewer->output();

    start();
    osg::ref_ptr<osg::Image> restarted = settledView();
    ASSERT_TRUE(restarted.valid());
    EXPECT_LT(difference(*saved, *restarted), 0.003f);

    // Saved again without moving: the same home.
    const std::map<std::string, double> again = save();
    ASSERT_EQ(again.size(), 6u);
    for (const auto& entry : written)
        EXPECT_NEAR(again.at(entry.first), entry.second, 1e-3) << entry.first;
    viewer->key("Escape");
    EXPECT_EQ(viewer->waitForExit(), 0);
}
