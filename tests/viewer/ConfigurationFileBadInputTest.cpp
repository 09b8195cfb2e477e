// Configuration files that are not what the viewer wrote: empty, garbage, cut short, absurdly deep,
// full of absurd numbers or of elements the viewer does not know. The viewer starts on whatever
// survives, with the defaults for the rest, and draws its first frames.

#include "BadBytes.h"

#include "environment/EnvironmentController.h"
#include "app/KELVOview.h"
#include "navigation/NavigationController.h"
#include "hud/OverlayController.h"
#include "scene/SceneController.h"
#include "window/WindowController.h"

#include "NotifyCapture.h"
#include "RuntimeTree.h"

#include <gtest/gtest.h>
#include <osg/DisplaySettings>
#include <osg/GL>
#include <osgViewer/GraphicsWindow>

#include <chrono>
#include <cmath>

using kelvotest::NotifyCapture;
using kelvotest::RuntimeTree;
using osgKELVO::KELVOview;

namespace {

const std::string sampleData = std::string(KELVO_TESTDATA_DIR) + "/osg-sample-data/";
const std::string cow = sampleData + "cow.osg";

const char* const smallWindow =
    "<Window title=\"T\" x=\"10\" y=\"20\" width=\"320\" height=\"240\" numSamples=\"0\"/>\n";

// Reads the pixel in the middle of the frame just drawn, on the drawing thread.
class CentrePixel : public osg::Camera::DrawCallback
{
public:
    void operator()(osg::RenderInfo& renderInfo) const override
    {
        const osg::Viewport* viewport = renderInfo.getCurrentCamera()->getViewport();
        if (!viewport)
            return;
        glReadPixels(static_cast<GLint>(viewport->x() + viewport->width() / 2),
                     static_cast<GLint>(viewport->y() + viewport->height() / 2), 1, 1, GL_RGBA,
                     GL_UNSIGNED_BYTE, rgba);
        ++frames;
    }
    mutable unsigned char rgba[4] = {0, 0, 0, 0};
    mutable unsigned frames = 0;
};

class ConfigurationFileBadInput : public ::testing::Test
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

    void start(const std::string& bytes)
    {
        tree.writeConfiguration(bytes);
        app = new KELVOview;
        // One thread: the notify stream is shared, and the pixel probe reads on the drawing thread.
        app->getViewer().setThreadingModel(osgViewer::ViewerBase::SingleThreaded);
        app->setConfigFileName(tree.configurationPath());
        app->build();
    }

    // The viewer realizes its window and draws; the pixel in the middle of the last frame.
    osg::Vec4ub drawFrames(unsigned count = 3)
    {
        osg::ref_ptr<CentrePixel> probe = new CentrePixel;
        app->getViewer().getCamera()->setFinalDrawCallback(probe);
        for (unsigned i = 0; i < count; ++i)
            app->getViewer().frame();
        app->getViewer().getCamera()->setFinalDrawCallback(nullptr);
        EXPECT_EQ(count, probe->frames) << "every frame is drawn";
        return osg::Vec4ub(probe->rgba[0], probe->rgba[1], probe->rgba[2], probe->rgba[3]);
    }

    // Everything as when there is no configuration file at all.
    void expectTheDefaults()
    {
        EXPECT_EQ(osg::Vec4f(0.8f, 0.8f, 1.0f, 1.0f), app->getEnvironmentController()->getBackgroundColor());
        EXPECT_EQ(3.0, app->getEnvironmentController()->getSeaState());
        EXPECT_EQ(250.0, app->getEnvironmentController()->getWindDirection());
        EXPECT_FALSE(app->getEnvironmentController()->getEnableWater());
        EXPECT_EQ(osg::Vec3d(0, 0, 0), app->getNavigationController()->getHomeEye());
        EXPECT_EQ(osg::Vec3d(0, 1, 0), app->getNavigationController()->getHomeCenter());
        EXPECT_EQ(0u, app->getSceneController()->getNumModels());
        EXPECT_EQ(0u, app->getSceneController()->getNumLayers());
        osgKELVO::WindowSettings info;
        app->getWindowController()->getWindowInfo(info);
        EXPECT_EQ(1024, info.width);
        EXPECT_EQ(768, info.height);
        EXPECT_EQ("KELVOview 1.02", info.title);
    }

    // The default scene is drawn: the empty view shows the default background color.
    void expectTheDefaultSceneDrawn()
    {
        const osg::Vec4ub pixel = drawFrames();
        EXPECT_NEAR(204, pixel.r(), 2);
        EXPECT_NEAR(204, pixel.g(), 2);
        EXPECT_NEAR(255, pixel.b(), 2);
    }

    std::string notWellFormed(const std::string& error, int line) const
    {
        return "Configuration file \"" + tree.configurationPath() + "\" is not well-formed (" + error +
               " at line " + std::to_string(line) + "), using defaults";
    }

    RuntimeTree tree{false};
    osg::ref_ptr<KELVOview> app;
};

} // namespace

TEST_F(ConfigurationFileBadInput, EmptyFileGivesTheDefaults)
{
    NotifyCapture notes;
    start("");
    EXPECT_TRUE(notes.has(osg::INFO, "No configuration file found, using defaults")) << notes.dump();
    EXPECT_TRUE(notes.has(osg::WARN, notWellFormed("XML_ERROR_EMPTY_DOCUMENT", 0))) << notes.dump();
    EXPECT_FALSE(notes.hasText("Loaded configuration file successfully"));
    expectTheDefaults();
    expectTheDefaultSceneDrawn();
}

TEST_F(ConfigurationFileBadInput, BinaryGarbageGivesTheDefaults)
{
    NotifyCapture notes;
    start(badinput::garbage(64 * 1024, 3));
    EXPECT_TRUE(notes.has(osg::INFO, "No configuration file found, using defaults")) << notes.dump();
    EXPECT_TRUE(notes.hasText("Configuration file \"" + tree.configurationPath() + "\" is not well-formed ("))
        << notes.dump();
    expectTheDefaults();
    expectTheDefaultSceneDrawn();
}

TEST_F(ConfigurationFileBadInput, TextThatIsNoXmlGivesTheDefaults)
{
    NotifyCapture notes;
    start("backgroundColorRed = 0.5\nlayerNum = 3\n");
    EXPECT_TRUE(notes.has(osg::INFO, "No configuration file found, using defaults")) << notes.dump();
    expectTheDefaults();
}

// tinyxml2 drops what it had parsed when the document turns out broken: nothing of the file
// applies, not even the complete elements before the break.
TEST_F(ConfigurationFileBadInput, FileCutShortInsideAnElementGivesTheDefaults)
{
    NotifyCapture notes;
    start("<Environment backgroundColorRed=\"0.5\" backgroundColorGreen=\"0\" backgroundColorBlue=\"0\"/>\n"
          "<Scene>\n  <Model name=\"Ko\" filename=\"" + cow + "\" layerNum=\"1\" visible=\"1\"/>\n"
          "</Scene>\n<Window title=\"T\" x=\"10\" y=\"20\" wid");
    EXPECT_TRUE(notes.has(osg::INFO, "No configuration file found, using defaults")) << notes.dump();
    EXPECT_TRUE(notes.has(osg::WARN, notWellFormed("XML_ERROR_PARSING_ATTRIBUTE", 5))) << notes.dump();
    EXPECT_FALSE(notes.hasText("Laddar Ko"));
    expectTheDefaults();
    expectTheDefaultSceneDrawn();
}

TEST_F(ConfigurationFileBadInput, FileCutShortInsideAnAttributeValueGivesTheDefaults)
{
    NotifyCapture notes;
    start(std::string(smallWindow) + "<Environment backgroundColorRed=\"0.");
    EXPECT_TRUE(notes.has(osg::INFO, "No configuration file found, using defaults")) << notes.dump();
    EXPECT_TRUE(notes.hasText("is not well-formed (")) << notes.dump();
    expectTheDefaults();
}

TEST_F(ConfigurationFileBadInput, UnclosedSceneGivesTheDefaults)
{
    NotifyCapture notes;
    start(std::string(smallWindow) + "<Scene><Model name=\"Ko\" filename=\"" + cow + "\"/>\n");
    EXPECT_TRUE(notes.has(osg::INFO, "No configuration file found, using defaults")) << notes.dump();
    EXPECT_TRUE(notes.hasText("is not well-formed (XML_ERROR_")) << notes.dump();
    EXPECT_FALSE(notes.hasText("Laddar Ko"));
}

// Ten megabytes of elements each inside the one before: tinyxml2 stops at its depth limit instead of
// recursing until the stack overflows, and the viewer starts on the defaults at once.
TEST_F(ConfigurationFileBadInput, TenMegabytesOfNestedElementsGiveTheDefaultsQuickly)
{
    std::string deep;
    deep.reserve(10u << 20);
    while (deep.size() < (10u << 20) / 2)
        deep += "<a>";
    const std::size_t depth = deep.size() / 3;
    for (std::size_t i = 0; i < depth; ++i)
        deep += "</a>";

    NotifyCapture notes;
    const auto begin = std::chrono::steady_clock::now();
    start("<Scene>" + deep + "</Scene>\n" + smallWindow);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    EXPECT_TRUE(notes.has(osg::INFO, "No configuration file found, using defaults")) << notes.dump();
    EXPECT_TRUE(notes.has(osg::WARN, notWellFormed("XML_ELEMENT_DEPTH_EXCEEDED", 1))) << notes.dump();
    // Not a timing target: a reader that walked all 1.7 million levels would take far longer, or
    // never return.
    EXPECT_LT(seconds, 60.0);
    expectTheDefaults();
    expectTheDefaultSceneDrawn();
}

// Ten megabytes of well-formed elements the viewer does not know, nested as deep as tinyxml2 allows,
// around and between the real settings: the real settings still apply.
TEST_F(ConfigurationFileBadInput, TenMegabytesOfUnknownNestedElementsLeaveTheSettingsInForce)
{
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
    start(filler + "<Scene>" + filler + "<Model name=\"Ko\" filename=\"" + cow +
          "\" layerNum=\"1\" visible=\"1\"/></Scene>\n"
          "<Environment backgroundColorRed=\"0\" backgroundColorGreen=\"0\" backgroundColorBlue=\"1\"/>\n" +
          smallWindow);
    EXPECT_TRUE(notes.has(osg::INFO, "Loaded configuration file successfully")) << notes.dump();
    ASSERT_EQ(1u, app->getSceneController()->getNumModels());
    EXPECT_EQ(2u, app->getSceneController()->getNumLayers());
    EXPECT_EQ(osg::Vec4f(0, 0, 1, 1), app->getEnvironmentController()->getBackgroundColor());
    drawFrames(1);
}

// Numbers that are no numbers of their type, or no finite float, are as if missing; negative zero
// is a number.
TEST_F(ConfigurationFileBadInput, AbsurdNumbersTakeTheMissingAttributeDefaults)
{
    NotifyCapture notes;
    start("<Environment backgroundColorRed=\"NaN\" backgroundColorGreen=\"1e39\" backgroundColorBlue=\"-0\" "
          "enableWater=\"inf\" seaState=\"0x10\" windDirection=\"-inf\"/>\n"
          "<Overlay useGeoCoords=\"-7\" offsetX=\"nan(0x1)\" offsetY=\"1e-50\" offsetZ=\"3.4e38\"/>\n"
          "<Navigation homeEyeX=\"-0\" homeEyeY=\"1e39\" homeEyeZ=\"-1e39\" homeCenterX=\"0x1p3\" "
          "homeCenterY=\"infinity\" homeCenterZ=\"-0.0\"/>\n"
          "<Window title=\"T\" x=\"2147483648\" y=\"-2147483649\" width=\"320.0\" height=\"0x100\" "
          "screenNum=\"-1\" numSamples=\"4294967296\" maximized=\"nan\" stereo=\"-0\"/>\n"
          "<Scene><Model name=\"Ko\" filename=\"" + cow + "\" layerNum=\"1e3\" visible=\"0x1\"/></Scene>\n");
    EXPECT_TRUE(notes.has(osg::INFO, "Loaded configuration file successfully"));

    const osg::Vec4f background = app->getEnvironmentController()->getBackgroundColor();
    EXPECT_EQ(0.0f, background.r());
    EXPECT_EQ(0.0f, background.g());
    EXPECT_EQ(0.0f, background.b());
    EXPECT_TRUE(std::signbit(background.b())) << "-0 is read as negative zero";
    EXPECT_FALSE(app->getEnvironmentController()->getEnableWater());
    EXPECT_EQ(0.0, app->getEnvironmentController()->getSeaState());
    EXPECT_EQ(0.0, app->getEnvironmentController()->getWindDirection());

    EXPECT_TRUE(app->getOverlayController()->getUseGeoCoords()) << "a negative integer is a true bool";
    const osg::Vec3f offset = app->getOverlayController()->getOffset();
    EXPECT_EQ(0.0f, offset.x());
    EXPECT_EQ(0.0f, offset.y()) << "an underflow is a tiny value, which rounds to zero";
    EXPECT_EQ(3.4e38f, offset.z()) << "the largest floats are still floats";

    EXPECT_EQ(osg::Vec3d(0, 0, 0), app->getNavigationController()->getHomeEye());
    EXPECT_EQ(osg::Vec3d(0, 1, 0), app->getNavigationController()->getHomeCenter())
        << "every coordinate refused or zero: the eye on its centre looks along +y";

    ASSERT_EQ(1u, app->getSceneController()->getNumModels());
    EXPECT_EQ(0, app->getSceneController()->getModelRecord(0).layerNum) << "1e3 is no integer";
    EXPECT_FALSE(app->getSceneController()->getModelRecord(0).visible) << "0x1 is no bool";

    osgKELVO::WindowSettings info;
    app->getWindowController()->getWindowInfo(info);
    EXPECT_EQ("T", info.title);
    EXPECT_FALSE(info.stereo);
    drawFrames(1);
}

TEST_F(ConfigurationFileBadInput, LayerNumberOfTwoBillionIsRefusedAndTheOtherModelsLoad)
{
    NotifyCapture notes;
    start("<Scene>\n"
          "  <Model name=\"Far\" filename=\"" + cow + "\" layerNum=\"2000000000\" visible=\"1\"/>\n"
          "  <Model name=\"Last\" filename=\"" + cow + "\" layerNum=\"999\" visible=\"1\"/>\n"
          "  <Model name=\"Beyond\" filename=\"" + cow + "\" layerNum=\"1000\" visible=\"1\"/>\n"
          "  <Model name=\"Low\" filename=\"" + cow + "\" layerNum=\"-2147483648\" visible=\"1\"/>\n"
          "  <Model name=\"Ko\" filename=\"" + cow + "\" layerNum=\"2\" visible=\"1\"/>\n"
          "</Scene>\n" + smallWindow);
    EXPECT_TRUE(notes.has(osg::WARN, "Skipping model \"Far\" (" + cow +
                                         "): layer number 2000000000 is outside 0 to 999"))
        << notes.dump();
    EXPECT_TRUE(notes.has(osg::WARN, "Skipping model \"Beyond\" (" + cow +
                                         "): layer number 1000 is outside 0 to 999"));
    EXPECT_TRUE(notes.has(osg::WARN, "Skipping model \"Low\" (" + cow +
                                         "): layer number -2147483648 is outside 0 to 999"));
    EXPECT_FALSE(notes.hasText("Laddar Far")) << "refused before reading";

    osgKELVO::SceneController* scene = app->getSceneController();
    ASSERT_EQ(2u, scene->getNumModels());
    EXPECT_EQ("Last", scene->getModelRecord(0).name);
    EXPECT_EQ("Ko", scene->getModelRecord(1).name);
    // The highest layer a model may ask for bounds the layers: 1000, not two billion.
    const int bound = osgKELVO::SceneController::MaxLayerNum;
    EXPECT_EQ(999, bound);
    EXPECT_EQ(static_cast<unsigned>(bound) + 1, scene->getNumLayers());
    EXPECT_EQ(1u, scene->getLayer(999)->getNumChildren());
    EXPECT_EQ(1u, scene->getLayer(2)->getNumChildren());
    drawFrames(1);
}

TEST_F(ConfigurationFileBadInput, UnknownElementsAndAttributesAreSkippedAndTheRestApplies)
{
    NotifyCapture notes;
    start("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- hand edited -->\n"
          "<Settings><Environment backgroundColorRed=\"1\"/></Settings>\n"
          "<Scene colour=\"red\" loadInfoPoints=\"0\">\n"
          "  <Layer number=\"3\"><Model name=\"Nested\" filename=\"" + cow + "\"/></Layer>\n"
          "  <Model name=\"Ko\" filename=\"" + cow + "\" layerNum=\"1\" visible=\"0\" colour=\"brown\">"
          "<Texture file=\"x.png\"/>text inside</Model>\n"
          "  text between\n"
          "</Scene>\n"
          "<Environment backgroundColorRed=\"0.25\" backgroundColorGreen=\"0.5\" backgroundColorBlue=\"0.75\" "
          "fog=\"thick\"/>\n"
          "<Weather rain=\"1\"/>\n"
          "<Window title=\"Mitt &amp; ditt\" x=\"10\" y=\"20\" width=\"320\" height=\"240\" numSamples=\"0\" "
          "opacity=\"0.5\"/>\n");
    EXPECT_TRUE(notes.has(osg::INFO, "Loaded configuration file successfully")) << notes.dump();
    EXPECT_FALSE(notes.hasText("Laddar Nested")) << "a Model is read only as a child of Scene";
    osgKELVO::SceneController* scene = app->getSceneController();
    ASSERT_EQ(1u, scene->getNumModels());
    EXPECT_EQ("Ko", scene->getModelRecord(0).name);
    EXPECT_EQ(2u, scene->getNumLayers());
    EXPECT_EQ(osg::Vec4f(0.25f, 0.5f, 0.75f, 1.0f), app->getEnvironmentController()->getBackgroundColor());
    osgKELVO::WindowSettings info;
    app->getWindowController()->getWindowInfo(info);
    EXPECT_EQ("Mitt & ditt", info.title);
    EXPECT_EQ(320, info.width);
    const osg::Vec4ub pixel = drawFrames();
    EXPECT_NEAR(64, pixel.r(), 2) << "the configured background is drawn";
    EXPECT_NEAR(128, pixel.g(), 2);
    EXPECT_NEAR(191, pixel.b(), 2);
}

namespace {

struct WindowValues
{
    const char* name;
    const char* attributes;
    const char* warning; // null: none expected
    int width;           // of the window opened, 0 for the screen's
};

std::ostream& operator<<(std::ostream& out, const WindowValues& values)
{
    return out << values.attributes;
}

class WindowBadInput : public ConfigurationFileBadInput, public ::testing::WithParamInterface<WindowValues>
{
};

} // namespace

// Window sizes and positions no screen has, and sample counts, screens or stereo no display
// offers: the viewer says what it does instead, opens a window it can draw and draws into it.
// Before, zero, negative and huge sizes crashed the X11 driver, and a missing screen or stereo
// visual left the viewer without a window.
TEST_P(WindowBadInput, ViewerStillOpensAWindowAndDraws)
{
    const WindowValues& values = GetParam();
    NotifyCapture notes;
    start(std::string("<Environment backgroundColorRed=\"0\" backgroundColorGreen=\"1\" backgroundColorBlue=\"0\"/>\n"
                      "<Window title=\"T\" ") + values.attributes + "/>\n");
    EXPECT_TRUE(notes.has(osg::INFO, "Loaded configuration file successfully"));
    if (values.warning) {
        EXPECT_TRUE(notes.has(osg::WARN, values.warning)) << notes.dump();
    }
    EXPECT_FALSE(notes.hasText("Could not create graphics context")) << notes.dump();
    osgViewer::GraphicsWindow* window =
        dynamic_cast<osgViewer::GraphicsWindow*>(app->getViewer().getCamera()->getGraphicsContext());
    ASSERT_NE(nullptr, window) << notes.dump();
    EXPECT_TRUE(window->valid());
    EXPECT_EQ("T", window->getWindowName());
    EXPECT_EQ(0, window->getTraits()->screenNum);
    unsigned screenWidth = 0, screenHeight = 0;
    osg::GraphicsContext::getWindowingSystemInterface()->getScreenResolution(*window->getTraits(), screenWidth,
                                                                             screenHeight);
    EXPECT_EQ(values.width ? values.width : static_cast<int>(screenWidth), window->getTraits()->width);
    const osg::Vec4ub pixel = drawFrames(2);
    EXPECT_EQ(osg::Vec4ub(0, 255, 0, pixel.a()), pixel) << "the configured background is drawn";
    EXPECT_FALSE(osg::DisplaySettings::instance()->getStereo()) << "no stereo drawing without stereo buffers";
}

INSTANTIATE_TEST_SUITE_P(
    Window, WindowBadInput,
    ::testing::Values(
        WindowValues{"NoSize", "x=\"10\" y=\"10\" numSamples=\"0\"",
                     "Window size 0 x 0 is not usable, opening 1024 x 768", 1024},
        WindowValues{"NegativeSize", "width=\"-640\" height=\"-480\" numSamples=\"0\"",
                     "Window size -640 x -480 is not usable, opening 1024 x 768", 1024},
        WindowValues{"LargerThanX11Allows", "width=\"100000\" height=\"70000\" numSamples=\"0\"",
                     "Window size 100000 x 70000 is not usable, opening 1024 x 768", 1024},
        WindowValues{"LargestInteger", "width=\"2147483647\" height=\"2147483647\" numSamples=\"0\"",
                     "Window size 2147483647 x 2147483647 is not usable, opening 1024 x 768", 1024},
        WindowValues{"OneSideTooLarge", "width=\"640\" height=\"16385\" numSamples=\"0\"",
                     "Window size 640 x 16385 is not usable, opening 1024 x 768", 1024},
        WindowValues{"FarOffScreen", "x=\"-2147483648\" y=\"2147483647\" width=\"320\" height=\"240\" numSamples=\"0\"",
                     nullptr, 320},
        WindowValues{"ThousandSamples", "width=\"320\" height=\"240\" numSamples=\"1000\"", nullptr, 320},
        WindowValues{"NoSuchScreen", "width=\"320\" height=\"240\" screenNum=\"7\" numSamples=\"0\"",
                     "Screen 7 does not exist, opening the window on screen 0", 320},
        WindowValues{"FullScreenOnNoSuchScreen", "fullscreen=\"1\" screenNum=\"4000000000\" numSamples=\"0\"",
                     "Screen 4000000000 does not exist, opening the window on screen 0", 0},
        WindowValues{"StereoWithoutStereoVisual", "width=\"320\" height=\"240\" numSamples=\"0\" stereo=\"1\"",
                     "No window with quad-buffered stereo on this display, opening one without", 320}),
    [](const ::testing::TestParamInfo<WindowValues>& info) { return std::string(info.param.name); });
