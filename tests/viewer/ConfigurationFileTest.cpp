// The viewer's configuration file read and written in-process: the written document, and files
// that are not what the viewer wrote. The viewer starts on whatever survives and draws.

#include "BadBytes.h"

#include "app/KELVOview.h"
#include "config/ConfigurationAttributes.h"
#include "scene/SceneController.h"

#include "NotifyCapture.h"
#include "RuntimeTree.h"
#include "ViewerHarness.h"

#include <gtest/gtest.h>
#include <osg/DisplaySettings>
#include <osgViewer/GraphicsWindow>

#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <random>

using kelvotest::NotifyCapture;
using kelvotest::RuntimeTree;
using osgKELVO::ConfigurationAttributes;
using osgKELVO::KELVOview;

namespace {

const std::string sampleData = std::string(KELVO_TESTDATA_DIR) + "/osg-sample-data/";
const std::string cow = sampleData + "cow.osg";

const char* const smallWindow =
    "<Window title=\"T\" x=\"10\" y=\"20\" width=\"320\" height=\"240\" numSamples=\"0\"/>\n";

std::string deeplyNested()
{
    std::string deep;
    deep.reserve(10u << 20);
    while (deep.size() < (10u << 20) / 2)
        deep += "<a>";
    const std::size_t depth = deep.size() / 3;
    for (std::size_t i = 0; i < depth; ++i)
        deep += "</a>";
    return "<Scene>" + deep + "</Scene>\n" + smallWindow;
}

// A KELVOview built in-process on the test display.
class ConfigurationFileTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        if (app)
            app->getViewer().removeEventHandler(app.get());
        app = nullptr;
        // A stereo window sets the process-wide display settings; the next test starts without.
        osg::DisplaySettings::instance()->setStereo(false);
    }

    void start(const std::string* xml)
    {
        if (xml)
            tree.writeConfiguration(*xml);
        else
            tree.removeConfiguration();
        app = new KELVOview;
        // One thread: OSG's notify stream is one buffer shared by all threads, and the pixel probe
        // reads on the drawing thread.
        app->getViewer().setThreadingModel(osgViewer::ViewerBase::SingleThreaded);
        app->setConfigFileName(tree.configurationPath());
        app->build();
    }
    void start(const std::string& xml) { start(&xml); }

    std::string saved()
    {
        app->saveConfiguration();
        return tree.readConfiguration();
    }

    // The viewer realizes its window and draws; the pixel in the middle of the last frame.
    osg::Vec3i drawFrames(unsigned count = 3)
    {
        osg::ref_ptr<osg::Image> image = new osg::Image;
        app->getViewer().getCamera()->setFinalDrawCallback(new CaptureCallback(image));
        for (unsigned i = 0; i < count; ++i)
            app->getViewer().frame();
        app->getViewer().getCamera()->setFinalDrawCallback(nullptr);
        if (!image->data())
            return osg::Vec3i(-1, -1, -1);
        return TestViewer::pixel(*image, image->s() / 2, image->t() / 2);
    }

    // What a viewer started with the given file, or without one, saves and draws.
    std::pair<std::string, osg::Vec3i> reference(const std::string* xml)
    {
        start(xml);
        const std::pair<std::string, osg::Vec3i> result(saved(), drawFrames());
        TearDown();
        return result;
    }

    RuntimeTree tree{false};
    osg::ref_ptr<KELVOview> app;
};

} // namespace

// A file as the viewer writes it is written back unchanged: switching a layer off does not change
// what the file says is visible, a software renderer's window without samples keeps those asked.
// A save that cannot be written says so, with the path, and leaves what stood there.
TEST_F(ConfigurationFileTest, AWrittenFileIsWrittenBackUnchangedOrAFailedSaveWarns)
{
    const std::string written =
        "<Overlay useGeoCoords=\"1\" offsetX=\"100\" offsetY=\"200.5\" offsetZ=\"-3\"/>\n\n"
        "<Scene loadInfoPoints=\"0\" generatePowerline=\"0\">\n"
        "    <Model name=\"Ko\" filename=\"" + cow + "\" layerNum=\"1\" visible=\"1\"/>\n"
        "</Scene>\n\n"
        "<Environment backgroundColorRed=\"0.25\" backgroundColorGreen=\"0.5\" "
        "backgroundColorBlue=\"0.75\" enableWater=\"0\" seaState=\"4.5\" "
        "windDirection=\"1.25\"/>\n\n"
        "<Navigation homeEyeX=\"1\" homeEyeY=\"2\" homeEyeZ=\"3\" homeCenterX=\"1\" "
        "homeCenterY=\"12\" homeCenterZ=\"3\"/>\n\n"
        "<Window title=\"Plan &amp; bygg\" x=\"0\" y=\"0\" width=\"400\" height=\"300\" "
        "maximized=\"0\" fullscreen=\"0\" screenNum=\"0\" numSamples=\"4\" stereo=\"0\" "
        "adaptToSoftwareRenderer=\"1\"/>\n";
    start(written);
    app->getViewer().frame();
    app->getSceneController()->toggleLayer(1);
    EXPECT_EQ(written, saved());

    const std::string path = tree.configurationPath();
    std::filesystem::remove(path);
    std::filesystem::create_directories(path + "/in-the-way");
    NotifyCapture notes;
    app->saveConfiguration();
    EXPECT_TRUE(notes.has(osg::WARN, "Could not save configuration file to \"" + path + "\""))
        << notes.dump();
    EXPECT_TRUE(std::filesystem::is_directory(path + "/in-the-way"));
}

// Files that leave nothing to apply: the viewer runs as without a file, and says why; not even the
// complete elements before a break apply. Deep nesting stops at the parser's depth limit.
TEST_F(ConfigurationFileTest, UnusableFilesRunAsWithoutAFile)
{
    const std::pair<std::string, osg::Vec3i> withoutAFile = reference(nullptr);
    // The bytes, and the start of the warning after "is not well-formed (".
    const std::pair<std::string, std::string> files[] = {
        {"", "XML_ERROR_EMPTY_DOCUMENT at line 0), using defaults"},
        {badinput::garbage(64 * 1024, 3), ""},
        {"backgroundColorRed = 0.5\nlayerNum = 3\n", "XML_ERROR_"},
        {"<Environment backgroundColorRed=\"0.5\"/>\n<Scene>\n  <Model name=\"Ko\" filename=\"" +
             cow + "\" layerNum=\"1\" visible=\"1\"/>\n</Scene>\n"
                   "<Window title=\"T\" x=\"10\" y=\"20\" wid",
         "XML_ERROR_PARSING_ATTRIBUTE at line 5), using defaults"},
        {std::string(smallWindow) + "<Environment backgroundColorRed=\"0.", "XML_ERROR_"},
        {std::string(smallWindow) + "<Scene><Model name=\"Ko\" filename=\"" + cow + "\"/>\n",
         "XML_ERROR_"},
        {deeplyNested(), "XML_ELEMENT_DEPTH_EXCEEDED at line 1), using defaults"}};
    for (const auto& file : files) {
        SCOPED_TRACE(::testing::PrintToString(file.first.substr(0, 60)));
        NotifyCapture notes;
        const auto begin = std::chrono::steady_clock::now();
        start(file.first);
        // Not a timing target: a reader that walked all 1.7 million levels would take far longer.
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - begin;
        EXPECT_LT(took.count(), 60.0);
        EXPECT_TRUE(notes.has(osg::INFO, "No configuration file found, using defaults"))
            << notes.dump();
        const std::string prefix = "Configuration file \"" + tree.configurationPath() +
                                   "\" is not well-formed (" + file.second;
        bool warned = false;
        for (const auto& line : notes.lines())
            warned = warned || (line.first == osg::WARN && line.second.rfind(prefix, 0) == 0);
        EXPECT_TRUE(warned) << notes.dump();
        EXPECT_EQ(withoutAFile.first, saved());
        EXPECT_EQ(withoutAFile.second, drawFrames());
        TearDown();
    }
}

// Unknown elements and attributes, Model elements that name no model or lie outside the first
// Scene, numbers that are no numbers of their type: all are as if they were not there.
TEST_F(ConfigurationFileTest, WhatCannotBeUsedIsAsIfItWereNotThere)
{
    const std::string window = "<Window title=\"Mitt &amp; ditt\" width=\"320\" height=\"240\" ";
    const std::string background =
        "<Environment backgroundColorRed=\"0.25\" backgroundColorGreen=\"0.5\" backgroundColorBlue=\"0.75\" ";
    const std::string ko = "<Model name=\"Ko\" filename=\"" + cow + "\"";
    const std::string usable = "<Scene loadInfoPoints=\"0\">" + ko + "/></Scene>\n" + background +
                               "/>\n<Overlay/>\n<Navigation/>\n" + window + "/>\n";
    const std::pair<std::string, osg::Vec3i> expected = reference(&usable);

    std::string block;
    for (int i = 0; i < 90; ++i)
        block += "<Unknown level=\"" + std::to_string(i) + "\">";
    for (int i = 0; i < 90; ++i)
        block += "</Unknown>";
    std::string filler;
    filler.reserve(5u << 20);
    while (filler.size() < (5u << 20))
        filler += block;
    NotifyCapture notes;
    start("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- hand edited -->\n" + filler +
          "<Settings><Environment backgroundColorRed=\"1\"/></Settings>\n"
          "<Scene colour=\"red\" loadInfoPoints=\"0\">\n" +
          filler + "<Model filename=\"" + cow + "\"/><Model name=\"NoFile\"/><Group>" + ko + "/></Group>" + ko +
          " layerNum=\"1e3\" visible=\"0x1\" colour=\"brown\"><Texture file=\"x.png\"/>text inside</Model>\n"
          "  text between\n</Scene>\n<Scene>" + ko + "/></Scene>\n" + background +
          "fog=\"thick\" enableWater=\"inf\" seaState=\"0x10\" windDirection=\"-inf\"/>\n<Weather rain=\"1\"/>\n"
          "<Overlay useGeoCoords=\"1.0\" offsetX=\"nan(0x1)\" offsetY=\"1e400\" offsetZ=\"3.5e38\"/>\n"
          "<Navigation homeEyeX=\"1,5\" homeEyeY=\"1e39\" homeEyeZ=\"-1e39\" homeCenterX=\"0x1p3\" "
          "homeCenterY=\"infinity\" homeCenterZ=\"\"/>\n" + window +
          "opacity=\"0.5\" x=\"2147483648\" y=\"-2147483649\" screenNum=\"-1\" numSamples=\"4294967296\" "
          "maximized=\"nan\" stereo=\"2.0\"/>\n");
    EXPECT_TRUE(notes.has(osg::INFO, "Loaded configuration file successfully")) << notes.dump().substr(0, 2000);
    EXPECT_TRUE(notes.has(osg::WARN, "Skipping Model element 1 of Scene (" + cow + "): no name attribute"));
    EXPECT_TRUE(notes.has(osg::WARN, "Skipping Model element 2 of Scene \"NoFile\": no filename attribute"));
    EXPECT_EQ(expected.first, saved());
    EXPECT_EQ(expected.second, drawFrames());
    EXPECT_NEAR(191, expected.second.z(), 2) << "the configured background is drawn";
}

// Window values no display offers: the viewer says what it does instead and draws into a window
// (such sizes crashed the X11 driver; a missing screen or stereo visual left no window).
TEST_F(ConfigurationFileTest, WindowValuesNoDisplayOffersStillGiveAWindowThatDraws)
{
    const struct
    {
        const char* attributes;
        const char* warning; // null: none expected
        int width;           // of the window opened, 0 for the screen's
    } cases[] = {
        {"x=\"10\" y=\"10\" numSamples=\"0\"", "Window size 0 x 0 is not usable, opening 1024 x 768",
         1024},
        {"width=\"-640\" height=\"-480\" numSamples=\"0\"",
         "Window size -640 x -480 is not usable, opening 1024 x 768", 1024},
        {"width=\"2147483647\" height=\"2147483647\" numSamples=\"0\"",
         "Window size 2147483647 x 2147483647 is not usable, opening 1024 x 768", 1024},
        {"width=\"640\" height=\"16385\" numSamples=\"0\"",
         "Window size 640 x 16385 is not usable, opening 1024 x 768", 1024},
        {"x=\"-2147483648\" y=\"2147483647\" width=\"320\" height=\"240\" numSamples=\"0\"",
         nullptr, 320},
        {"width=\"320\" height=\"240\" numSamples=\"1000\"", nullptr, 320},
        // Kept as configured, even on Xvfb's software renderer.
        {"width=\"320\" height=\"240\" numSamples=\"1000\" adaptToSoftwareRenderer=\"0\"",
         "No window with 1000 samples on this display, opening one without", 320},
        {"width=\"320\" height=\"240\" screenNum=\"7\" numSamples=\"0\"",
         "Screen 7 does not exist, opening the window on screen 0", 320},
        {"fullscreen=\"1\" screenNum=\"4000000000\" numSamples=\"0\"",
         "Screen 4000000000 does not exist, opening the window on screen 0", 0},
        {"width=\"320\" height=\"240\" numSamples=\"0\" stereo=\"1\"",
         "No window with quad-buffered stereo on this display, opening one without", 320}};
    for (const auto& values : cases) {
        SCOPED_TRACE(values.attributes);
        NotifyCapture notes;
        start(std::string("<Environment backgroundColorRed=\"0\" backgroundColorGreen=\"1\" "
                          "backgroundColorBlue=\"0\"/>\n<Window title=\"T\" ") +
              values.attributes + "/>\n");
        if (values.warning) {
            EXPECT_TRUE(notes.has(osg::WARN, values.warning)) << notes.dump();
        }
        EXPECT_FALSE(notes.hasText("Could not create graphics context")) << notes.dump();
        osgViewer::GraphicsWindow* window = dynamic_cast<osgViewer::GraphicsWindow*>(
            app->getViewer().getCamera()->getGraphicsContext());
        ASSERT_NE(nullptr, window) << notes.dump();
        EXPECT_TRUE(window->valid());
        EXPECT_EQ(0, window->getTraits()->screenNum);
        unsigned screenWidth = 0, screenHeight = 0;
        osg::GraphicsContext::getWindowingSystemInterface()->getScreenResolution(
            *window->getTraits(), screenWidth, screenHeight);
        EXPECT_EQ(values.width ? values.width : static_cast<int>(screenWidth),
                  window->getTraits()->width);
        EXPECT_EQ(osg::Vec3i(0, 255, 0), drawFrames(2)) << "the configured background is drawn";
        EXPECT_FALSE(osg::DisplaySettings::instance()->getStereo())
            << "no stereo drawing without stereo buffers";
        TearDown();
    }
}

// Every finite float is written as a text that reads back to the same bits.
TEST(ConfigurationValueTypes, WrittenRealsReadBackExactly)
{
    std::mt19937 random(1234);
    std::uniform_int_distribution<std::uint32_t> bits;
    for (int checked = 0; checked < 20000;) {
        const std::uint32_t b = bits(random);
        float value;
        std::memcpy(&value, &b, sizeof(value));
        if (!std::isfinite(value))
            continue;
        float back = 0.0f;
        const std::string text = ConfigurationAttributes::formatReal(value);
        ASSERT_TRUE(ConfigurationAttributes::parseReal(text.c_str(), back)) << text;
        ASSERT_EQ(0, std::memcmp(&value, &back, sizeof(value))) << text;
        ++checked;
    }
}
