// The viewer's configuration file read and written in-process, on the display `make test`
// provides: what each element sets, the written document, and files that are not what the viewer
// wrote (empty, garbage, cut short, absurdly deep, absurd numbers, unknown elements, window values
// no display offers). The viewer starts on whatever survives and draws its first frames.

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
#include <osg/io_utils>
#include <osgViewer/GraphicsWindow>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <sstream>

namespace fs = std::filesystem;
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

// A KELVOview built in-process on the test display from a configuration written by the test (or
// none at all).
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

    // What the configuration sets, as one comparable text.
    std::string state() const
    {
        std::ostringstream out;
        const osgKELVO::EnvironmentController* environment = app->getEnvironmentController();
        out << "background " << environment->getBackgroundColor() << ", sea state " << environment->getSeaState()
            << ", wind " << environment->getWindDirection() << ", water " << environment->getEnableWater()
            << ", home " << app->getNavigationController()->getHomeEye() << " to "
            << app->getNavigationController()->getHomeCenter() << ", models "
            << app->getSceneController()->getNumModels() << " in " << app->getSceneController()->getNumLayers()
            << " layers";
        osgKELVO::WindowSettings info;
        app->getWindowController()->getWindowInfo(info);
        out << ", window \"" << info.title << "\" " << info.width << " x " << info.height;
        return out.str();
    }

    // The state and drawn background of a viewer started without a file, for comparison.
    std::pair<std::string, osg::Vec4ub> withoutAFile()
    {
        start(nullptr);
        const std::pair<std::string, osg::Vec4ub> result(state(), drawFrames());
        TearDown();
        return result;
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

TEST_F(ConfigurationFileTest, NoFileGivesACentredWindowNamedForTheProgram)
{
    NotifyCapture notes;
    start(nullptr);
    EXPECT_TRUE(notes.has(osg::INFO, "No configuration file found, using defaults"));

    osgViewer::GraphicsWindow* window =
        dynamic_cast<osgViewer::GraphicsWindow*>(app->getViewer().getCamera()->getGraphicsContext());
    ASSERT_NE(nullptr, window);
    EXPECT_TRUE(notes.has(osg::NOTICE, window->getWindowName())) << "the version line names the window";
    osgKELVO::WindowSettings info;
    app->getWindowController()->getWindowInfo(info);
    unsigned screenW = 0, screenH = 0;
    osg::GraphicsContext::getWindowingSystemInterface()->getScreenResolution(
        *window->getTraits(), screenW, screenH);
    EXPECT_EQ((static_cast<int>(screenW) - info.width) / 2, info.x);
    EXPECT_EQ((static_cast<int>(screenH) - info.height) / 2, info.y);
}

TEST_F(ConfigurationFileTest, EyeOnItsCentreLooksAlongPlusY)
{
    start(std::string("<Navigation homeEyeX=\"5\" homeEyeY=\"6\" homeEyeZ=\"7\" homeCenterX=\"5\" "
                      "homeCenterY=\"6\" homeCenterZ=\"7\"/>\n") + smallWindow);
    EXPECT_EQ(osg::Vec3d(5, 6, 7), app->getNavigationController()->getHomeEye());
    EXPECT_EQ(osg::Vec3d(5, 7, 7), app->getNavigationController()->getHomeCenter());
    osg::Vec3d eye, center;
    app->getNavigationController()->getEyeAndCenter(eye, center);
    EXPECT_NEAR(5.0, eye.x(), 1e-9);
    EXPECT_NEAR(16.0, center.y(), 1e-9) << "the home view was entered at load";
}

TEST_F(ConfigurationFileTest, OffsetsAndFlagsReachBothControllers)
{
    start(std::string("<Overlay useGeoCoords=\"true\" offsetX=\"6500000.5\" offsetY=\"150000.25\" "
                      "offsetZ=\"-12\"/>\n<Scene loadInfoPoints=\"1\" generatePowerline=\"yes\"/>\n") +
          smallWindow);
    EXPECT_TRUE(app->getOverlayController()->getUseGeoCoords());
    EXPECT_EQ(osg::Vec3f(6500000.5f, 150000.25f, -12.0f), app->getOverlayController()->getOffset());
    EXPECT_EQ(osg::Vec3d(6500000.5f, 150000.25f, -12.0f), app->getSceneController()->getOffset())
        << "doubles converted from the parsed floats";
    EXPECT_TRUE(app->getSceneController()->getLoadInfoPoints());
    EXPECT_FALSE(app->getSceneController()->getGeneratePowerline()) << "yes is not a bool";
}

TEST_F(ConfigurationFileTest, ModelsLoadInDocumentOrderAndBadOnesAreSkipped)
{
    NotifyCapture notes;
    const std::string cow = sampleData + "cow.osg";
    start("<Scene>\n"
          "  <Model name=\"A\" filename=\"" + cow + "\" layerNum=\"2\" visible=\"yes\"/>\n"
          "  <Model name=\"B\" filename=\"" + cow + "\" layerNum=\"2\" visible=\"true\"/>\n"
          "  <Model name=\"C\" filename=\"" + cow + "\" layerNum=\"2\" visible=\"7\"/>\n"
          "  <Model filename=\"" + cow + "\" layerNum=\"1\"/>\n"
          "  <Model name=\"NoFile\" layerNum=\"1\"/>\n"
          "  <Model name=\"Negative\" filename=\"" + cow + "\" layerNum=\"-4\" visible=\"1\"/>\n"
          "  <Model name=\"Missing\" filename=\"../Content/nothing.ive\" layerNum=\"4\" visible=\"1\"/>\n"
          "  <Model name=\"Odd\" filename=\"" + sampleData + "README\" visible=\"1\"/>\n"
          "  <Group><Model name=\"Nested\" filename=\"" + cow + "\"/></Group>\n"
          "</Scene>\n"
          "<Scene><Model name=\"Second\" filename=\"" + cow + "\"/></Scene>\n" + smallWindow);

    osgKELVO::SceneController* scene = app->getSceneController();
    ASSERT_EQ(3u, scene->getNumModels());
    EXPECT_EQ("A", scene->getModelRecord(0).name);
    EXPECT_FALSE(scene->getModelRecord(0).visible);
    EXPECT_TRUE(scene->getModelRecord(1).visible);
    EXPECT_TRUE(scene->getModelRecord(2).visible);
    EXPECT_EQ(3u, scene->getNumLayers());
    EXPECT_TRUE(notes.hasText("Skipping Model element 4 of Scene"));
    EXPECT_TRUE(notes.hasText("no name attribute"));
    EXPECT_TRUE(notes.hasText("Skipping Model element 5 of Scene \"NoFile\": no filename attribute"));
    EXPECT_TRUE(notes.hasText("layer number -4 is outside 0 to 999"));
    EXPECT_TRUE(notes.has(osg::WARN, "Unable to load model ../Content/nothing.ive"));
    EXPECT_TRUE(notes.has(osg::WARN, "Unsupported file dropped " + sampleData + "README"));
    EXPECT_FALSE(notes.hasText("Laddar Second"));
    EXPECT_FALSE(notes.hasText("Laddar Nested"));

    const std::string written = saved();
    EXPECT_EQ(std::string::npos, written.find("nothing.ive")) << "a missing model leaves no trace";
    EXPECT_EQ(3u, [&] {
        unsigned n = 0;
        for (std::string::size_type p = written.find("<Model"); p != std::string::npos;
             p = written.find("<Model", p + 1))
            ++n;
        return n;
    }());
}

TEST_F(ConfigurationFileTest, WrittenDocumentHasTheFixedOrder)
{
    const std::string cow = sampleData + "cow.osg";
    start("<Window title=\"Plan &amp; bygg\" x=\"30\" y=\"40\" width=\"400\" height=\"300\" "
          "numSamples=\"0\" stereo=\"0\"/>\n"
          "<Navigation homeEyeX=\"1\" homeEyeY=\"2\" homeEyeZ=\"3\" homeCenterX=\"1\" homeCenterY=\"12\" "
          "homeCenterZ=\"3\"/>\n"
          "<Environment backgroundColorRed=\"0.25\" backgroundColorGreen=\"0.5\" backgroundColorBlue=\"0.75\" "
          "enableWater=\"0\" seaState=\"4.5\" windDirection=\"1.25\"/>\n"
          "<Scene loadInfoPoints=\"0\" generatePowerline=\"0\"><Model name=\"Ko\" filename=\"" + cow +
          "\" layerNum=\"1\" visible=\"1\"/></Scene>\n"
          "<Overlay useGeoCoords=\"1\" offsetX=\"100\" offsetY=\"200.5\" offsetZ=\"-3\"/>\n");
    app->getViewer().frame();
    app->getSceneController()->toggleLayer(1);

    const std::string expected =
        "<Overlay useGeoCoords=\"1\" offsetX=\"100\" offsetY=\"200.5\" offsetZ=\"-3\"/>\n\n"
        "<Scene loadInfoPoints=\"0\" generatePowerline=\"0\">\n"
        "    <Model name=\"Ko\" filename=\"" + cow + "\" layerNum=\"1\" visible=\"1\"/>\n"
        "</Scene>\n\n"
        "<Environment backgroundColorRed=\"0.25\" backgroundColorGreen=\"0.5\" backgroundColorBlue=\"0.75\" "
        "enableWater=\"0\" seaState=\"4.5\" windDirection=\"1.25\"/>\n\n"
        "<Navigation homeEyeX=\"1\" homeEyeY=\"2\" homeEyeZ=\"3\" homeCenterX=\"1\" homeCenterY=\"12\" "
        "homeCenterZ=\"3\"/>\n\n"
        "<Window title=\"Plan &amp; bygg\" x=\"30\" y=\"40\" width=\"400\" height=\"300\" maximized=\"0\" "
        "fullscreen=\"0\" screenNum=\"0\" numSamples=\"0\" stereo=\"0\"/>\n";
    EXPECT_EQ(expected, saved()) << "switching layers does not change visible";
}

TEST_F(ConfigurationFileTest, SavedRealsReadBackToTheValuesHeld)
{
    start(std::string("<Overlay offsetX=\"6543210.7\" offsetY=\"0.1\" offsetZ=\"1e-7\"/>\n"
                      "<Environment backgroundColorRed=\"0.123456789\" seaState=\"3.3333333\" "
                      "windDirection=\"-0\"/>\n") + smallWindow);
    const osg::Vec3f offset = app->getOverlayController()->getOffset();
    const osg::Vec4f color = app->getEnvironmentController()->getBackgroundColor();
    const double seaState = app->getEnvironmentController()->getSeaState();
    const std::string first = saved();
    TearDown();

    start(first);
    EXPECT_EQ(offset, app->getOverlayController()->getOffset());
    EXPECT_EQ(color, app->getEnvironmentController()->getBackgroundColor());
    EXPECT_EQ(seaState, app->getEnvironmentController()->getSeaState());
    EXPECT_EQ(first, saved()) << "a second save of the same state writes the same text";
}

TEST_F(ConfigurationFileTest, NegativeWindowPositionsAreWrittenAsZero)
{
    start("<Window title=\"Off\" x=\"-60\" y=\"-30\" width=\"300\" height=\"200\" numSamples=\"0\"/>\n");
    app->getViewer().frame();
    const std::string written = saved();
    EXPECT_NE(std::string::npos, written.find("x=\"0\" y=\"0\" width=\"300\" height=\"200\"")) << written;
}

TEST_F(ConfigurationFileTest, AFailedWriteKeepsTheOldFileAndWarns)
{
    start(std::string(smallWindow));
    const std::string directoryPath = tree.root() + "/Resources/Blocked.xml";
    fs::create_directory(directoryPath);
    RuntimeTree::writeFile(directoryPath + "/keep", "x");
    app->setConfigFileName(directoryPath);
    NotifyCapture notes;
    app->saveConfiguration();
    EXPECT_TRUE(notes.has(osg::WARN, "Could not save configuration file to \"" + directoryPath + "\""))
        << notes.dump();
    EXPECT_TRUE(fs::is_directory(directoryPath));
    EXPECT_EQ("x", RuntimeTree::readFile(directoryPath + "/keep"));

    const std::string path = tree.configurationPath();
    const std::string before = tree.readConfiguration();
    app->setConfigFileName(tree.root() + "/NoSuchDirectory/Configuration.xml");
    app->saveConfiguration();
    EXPECT_EQ(before, RuntimeTree::readFile(path));
    std::vector<std::string> leftovers;
    for (const auto& entry : fs::directory_iterator(tree.root() + "/Resources"))
        if (entry.path().filename().string().rfind(".", 0) == 0)
            leftovers.push_back(entry.path().string());
    EXPECT_TRUE(leftovers.empty());
}

TEST_F(ConfigurationFileTest, F3SavesOnlyWithAWindow)
{
    start(std::string(smallWindow));
    tree.removeConfiguration();
    osg::ref_ptr<osgGA::GUIEventAdapter> f3 = new osgGA::GUIEventAdapter;
    f3->setEventType(osgGA::GUIEventAdapter::KEYDOWN);
    f3->setKey(osgGA::GUIEventAdapter::KEY_F3);
    EXPECT_FALSE(app->handle(*f3, app->getViewer()));
    EXPECT_TRUE(fs::exists(tree.configurationPath()));

    tree.removeConfiguration();
    osg::ref_ptr<osg::GraphicsContext> context = app->getViewer().getCamera()->getGraphicsContext();
    app->getViewer().getCamera()->setGraphicsContext(nullptr);
    EXPECT_FALSE(app->handle(*f3, app->getViewer()));
    EXPECT_FALSE(fs::exists(tree.configurationPath()));
    app->getViewer().getCamera()->setGraphicsContext(context.get());
}

namespace {

// Files that leave nothing to apply: the viewer runs as without a file, and says why.
struct UnusableFile
{
    const char* name;
    std::string bytes;
    std::string warning; // the start of the warning line
};

std::ostream& operator<<(std::ostream& out, const UnusableFile& file)
{
    return out << file.name;
}

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

class UnusableConfigurationFile : public ConfigurationFileTest, public ::testing::WithParamInterface<UnusableFile>
{
};

} // namespace

// tinyxml2 drops what it had parsed when the document turns out broken: nothing of the file
// applies, not even the complete elements before the break. Ten megabytes of nesting stop at its
// depth limit instead of recursing until the stack overflows.
TEST_P(UnusableConfigurationFile, RunsAsWithoutAFile)
{
    const std::pair<std::string, osg::Vec4ub> reference = withoutAFile();
    NotifyCapture notes;
    const auto begin = std::chrono::steady_clock::now();
    start(GetParam().bytes);
    // Not a timing target: a reader that walked all 1.7 million levels would take far longer.
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count(), 60.0);
    EXPECT_TRUE(notes.has(osg::INFO, "No configuration file found, using defaults")) << notes.dump();
    const std::string prefix = "Configuration file \"" + tree.configurationPath() + "\" is not well-formed (";
    bool warned = false;
    for (const auto& line : notes.lines())
        warned = warned || (line.first == osg::WARN && line.second.rfind(prefix + GetParam().warning, 0) == 0);
    EXPECT_TRUE(warned) << notes.dump();
    EXPECT_FALSE(notes.hasText("Laddar Ko"));
    EXPECT_EQ(reference.first, state());
    EXPECT_EQ(reference.second, drawFrames());
}

INSTANTIATE_TEST_SUITE_P(
    Configuration, UnusableConfigurationFile,
    ::testing::Values(
        UnusableFile{"Empty", "", "XML_ERROR_EMPTY_DOCUMENT at line 0), using defaults"},
        UnusableFile{"BinaryGarbage", badinput::garbage(64 * 1024, 3), ""},
        UnusableFile{"TextThatIsNoXml", "backgroundColorRed = 0.5\nlayerNum = 3\n", "XML_ERROR_"},
        UnusableFile{"CutShortInsideAnElement",
                     "<Environment backgroundColorRed=\"0.5\" backgroundColorGreen=\"0\" backgroundColorBlue=\"0\"/>\n"
                     "<Scene>\n  <Model name=\"Ko\" filename=\"" + cow + "\" layerNum=\"1\" visible=\"1\"/>\n"
                     "</Scene>\n<Window title=\"T\" x=\"10\" y=\"20\" wid",
                     "XML_ERROR_PARSING_ATTRIBUTE at line 5), using defaults"},
        UnusableFile{"CutShortInsideAnAttributeValue",
                     std::string(smallWindow) + "<Environment backgroundColorRed=\"0.", "XML_ERROR_"},
        UnusableFile{"UnclosedScene",
                     std::string(smallWindow) + "<Scene><Model name=\"Ko\" filename=\"" + cow + "\"/>\n", "XML_ERROR_"},
        UnusableFile{"TenMegabytesOfNesting", deeplyNested(),
                     "XML_ELEMENT_DEPTH_EXCEEDED at line 1), using defaults"}),
    [](const ::testing::TestParamInfo<UnusableFile>& info) { return std::string(info.param.name); });

// Ten megabytes of well-formed elements the viewer does not know, nested as deep as tinyxml2 allows,
// around and between the real settings: the real settings still apply.
TEST_F(ConfigurationFileTest, TenMegabytesOfUnknownNestedElementsLeaveTheSettingsInForce)
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
TEST_F(ConfigurationFileTest, AbsurdNumbersTakeTheMissingAttributeDefaults)
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

TEST_F(ConfigurationFileTest, LayerNumberOfTwoBillionIsRefusedAndTheOtherModelsLoad)
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
    EXPECT_EQ(1000u, scene->getNumLayers());
    EXPECT_EQ(1u, scene->getLayer(999)->getNumChildren());
    EXPECT_EQ(1u, scene->getLayer(2)->getNumChildren());
    drawFrames(1);
}

TEST_F(ConfigurationFileTest, UnknownElementsAndAttributesAreSkippedAndTheRestApplies)
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

class WindowBadInput : public ConfigurationFileTest, public ::testing::WithParamInterface<WindowValues>
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
