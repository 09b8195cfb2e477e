#include "environment/EnvironmentController.h"
#include "app/KELVOview.h"
#include "navigation/NavigationController.h"
#include "hud/OverlayController.h"
#include "scene/SceneController.h"
#include "window/WindowController.h"

#include "NotifyCapture.h"
#include "RuntimeTree.h"

#include <gtest/gtest.h>
#include <osgViewer/GraphicsWindow>

#include <filesystem>

namespace fs = std::filesystem;
using kelvotest::NotifyCapture;
using kelvotest::RuntimeTree;
using osgKELVO::KELVOview;

namespace {

const std::string sampleData = std::string(KELVO_TESTDATA_DIR) + "/osg-sample-data/";

// A KELVOview built in-process on the test display from a configuration written by the test.
class ConfigurationFileTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        if (app)
            app->getViewer().removeEventHandler(app.get());
        app = nullptr;
    }

    void start(const std::string* xml)
    {
        if (xml)
            tree.writeConfiguration(*xml);
        else
            tree.removeConfiguration();
        app = new KELVOview;
        // OSG's notify stream is one buffer shared by all threads: a draw thread writing while
        // the test's thread warns would garble the lines the tests read back.
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

    RuntimeTree tree{false};
    osg::ref_ptr<KELVOview> app;
};

const char* const smallWindow =
    "<Window title=\"T\" x=\"10\" y=\"20\" width=\"320\" height=\"240\" numSamples=\"0\"/>\n";

} // namespace

TEST_F(ConfigurationFileTest, NoFileGivesTheDefaultsAndACentredWindow)
{
    NotifyCapture notes;
    start(nullptr);
    EXPECT_TRUE(notes.has(osg::INFO, "No configuration file found, using defaults"));
    EXPECT_TRUE(notes.has(osg::NOTICE, "KELVOview 1.02"));

    osgViewer::GraphicsWindow* window =
        dynamic_cast<osgViewer::GraphicsWindow*>(app->getViewer().getCamera()->getGraphicsContext());
    ASSERT_NE(nullptr, window);
    osgKELVO::WindowSettings info;
    app->getWindowController()->getWindowInfo(info);
    const int x = info.x, y = info.y, w = info.width, h = info.height;
    unsigned screenW = 0, screenH = 0;
    osg::GraphicsContext::getWindowingSystemInterface()->getScreenResolution(
        *window->getTraits(), screenW, screenH);
    EXPECT_EQ(1024, w);
    EXPECT_EQ(768, h);
    EXPECT_EQ((static_cast<int>(screenW) - 1024) / 2, x);
    EXPECT_EQ((static_cast<int>(screenH) - 768) / 2, y);
    EXPECT_EQ("KELVOview 1.02", window->getWindowName());
    // Four samples asked for; F3 saves them, though a software renderer draws without.
    EXPECT_EQ(4u, info.numSamples);

    const osg::Vec4f& background = app->getEnvironmentController()->getBackgroundColor();
    EXPECT_EQ(osg::Vec4f(0.8f, 0.8f, 1.0f, 1.0f), background);
    EXPECT_EQ(3.0, app->getEnvironmentController()->getSeaState());
    EXPECT_EQ(250.0, app->getEnvironmentController()->getWindDirection());
    EXPECT_FALSE(app->getEnvironmentController()->getEnableWater());
    EXPECT_EQ(osg::Vec3d(0, 0, 0), app->getNavigationController()->getHomeEye());
    EXPECT_EQ(osg::Vec3d(0, 1, 0), app->getNavigationController()->getHomeCenter());
    EXPECT_EQ(0u, app->getSceneController()->getNumLayers());
}

TEST_F(ConfigurationFileTest, EmptyElementsTakeTheAttributeDefaults)
{
    NotifyCapture notes;
    start(std::string("<Environment/>\n<Overlay/>\n<Navigation/>\n<Scene/>\n") + smallWindow);
    EXPECT_TRUE(notes.has(osg::INFO, "Loaded configuration file successfully"));
    EXPECT_EQ(osg::Vec4f(0, 0, 0, 1), app->getEnvironmentController()->getBackgroundColor());
    EXPECT_EQ(osg::Vec4(0, 0, 0, 1), app->getViewer().getCamera()->getClearColor());
    EXPECT_EQ(0.0, app->getEnvironmentController()->getSeaState());
    EXPECT_EQ(0.0, app->getEnvironmentController()->getWindDirection());
    EXPECT_FALSE(app->getOverlayController()->getUseGeoCoords());
    EXPECT_EQ(osg::Vec3d(0, 0, 0), app->getNavigationController()->getHomeEye());
    EXPECT_EQ(osg::Vec3d(0, 1, 0), app->getNavigationController()->getHomeCenter())
        << "eye equal to centre looks along +y";
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
