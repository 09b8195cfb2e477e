// The real KELVOview on a private X server receiving files from a drag source, as a user drops
// them from a file manager.

#include "DesktopTestSupport.h"
#include "XdndTestSource.h"

#include "RuntimeTree.h"
#include "Screenshot.h"
#include "ViewerProcess.h"
#include "XvfbServer.h"

#include <osg/Geode>
#include <osg/ShapeDrawable>
#include <osgDB/WriteFile>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <thread>

namespace fs = std::filesystem;
using kelvotest::RuntimeTree;
using kelvotest::Screenshot;
using kelvotest::ViewerProcess;
using kelvotest::XdndTestSource;
using kelvotest::XvfbServer;

namespace {

// Looking along +y at the origin: boxes at x = -30, -10, 10, 30 stand side by side in the view.
std::string configuration(bool fullscreen)
{
    return std::string("<Overlay useGeoCoords=\"0\" offsetX=\"0\" offsetY=\"0\" offsetZ=\"0\"/>\n"
                       "<Scene loadInfoPoints=\"0\" generatePowerline=\"0\"/>\n"
                       "<Environment backgroundColorRed=\"0.8\" backgroundColorGreen=\"0.8\" "
                       "backgroundColorBlue=\"1\" enableWater=\"0\" seaState=\"3\" windDirection=\"250\"/>\n"
                       "<Navigation homeEyeX=\"0\" homeEyeY=\"-120\" homeEyeZ=\"0\" homeCenterX=\"0\" "
                       "homeCenterY=\"0\" homeCenterZ=\"0\"/>\n"
                       "<Window title=\"KELVOview drops\" x=\"0\" y=\"0\" width=\"800\" height=\"600\" "
                       "maximized=\"0\" fullscreen=\"") +
           (fullscreen ? "1" : "0") + "\" screenNum=\"0\" numSamples=\"0\" stereo=\"0\"/>\n";
}

// An unlit box of one color, so that it shows in screenshots with that color.
void writeBox(const std::string& path, const osg::Vec4& color, float x)
{
    osg::ref_ptr<osg::ShapeDrawable> box = new osg::ShapeDrawable(new osg::Box(osg::Vec3(x, 0.0f, 0.0f), 16.0f));
    box->setColor(color);
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(box);
    geode->getOrCreateStateSet()->setMode(GL_LIGHTING, osg::StateAttribute::OFF | osg::StateAttribute::PROTECTED);
    fs::create_directories(fs::path(path).parent_path());
    ASSERT_TRUE(osgDB::writeNodeFile(*geode, path)) << path;
}

const osg::Vec4 red(1, 0, 0, 1), green(0, 1, 0, 1), blue(0, 0, 1, 1), yellow(1, 1, 0, 1);

// The share of pixels close to a color.
float coverage(const osg::Image& image, const osg::Vec4& color)
{
    int matching = 0;
    for (int y = 0; y < image.t(); y += 2)
        for (int x = 0; x < image.s(); x += 2) {
            const osg::Vec3f p = Screenshot::pixel(image, x, y);
            if (std::abs(p.x() - color.r()) < 0.25f && std::abs(p.y() - color.g()) < 0.25f &&
                std::abs(p.z() - color.b()) < 0.25f)
                ++matching;
        }
    return static_cast<float>(matching) / static_cast<float>((image.s() / 2) * (image.t() / 2));
}

std::string uriList(const std::vector<std::string>& paths)
{
    std::string list;
    for (const std::string& path : paths)
        list += XdndTestSource::fileUri(path) + "\r\n";
    return list;
}

class DropEndToEndTest : public ::testing::Test
{
protected:
    void start(bool fullscreen, bool windowManager)
    {
        server.reset(new XvfbServer(1024, 768, windowManager));
        ASSERT_TRUE(server->running());
        tree.reset(new RuntimeTree(false));
        tree->writeConfiguration(configuration(fullscreen));
        content = tree->root() + "/Content/";
        viewer.reset(new ViewerProcess(*tree, server->display(), kelvotest::lineBufferedVerboseEnvironment()));
        ASSERT_FALSE(viewer->waitForWindow("KELVOview drops").empty()) << viewer->output();
        // The help panel, shown at start-up, covers the middle of the view.
        viewer->key("F1");
        source.reset(new XdndTestSource(server->display()));
        ASSERT_TRUE(source->connected());
    }

    XdndTestSource::Outcome dropOnViewer(const std::string& list)
    {
        int x = 0, y = 0;
        EXPECT_TRUE(source->windowCentre(viewer->window(), x, y));
        XdndTestSource::Drag drag;
        drag.rootX = x;
        drag.rootY = y;
        drag.uriList = list;
        return source->perform(drag);
    }

    std::unique_ptr<XvfbServer> server;
    std::unique_ptr<RuntimeTree> tree;
    std::unique_ptr<ViewerProcess> viewer;
    std::unique_ptr<XdndTestSource> source;
    std::string content;
};

} // namespace

TEST_F(DropEndToEndTest, DroppedFilesBecomeModelsOfLayerZeroInListOrder)
{
    start(false, false);
    writeBox(content + "red.ive", red, -30.0f);
    writeBox(content + "Hamn och kaj.ive", green, -10.0f);
    writeBox(content + "\xC3\x96resund bro.ive", blue, 10.0f);
    writeBox(content + "gul yta \xC3\xA5\xC3\xA4.osg", yellow, 30.0f);
    const fs::path outside = fs::path(tree->root()).parent_path() / ("kelvo-outside-" + std::to_string(::getpid()));
    writeBox((outside / "extra.ive").string(), red, 0.0f);

    osg::ref_ptr<osg::Image> empty = Screenshot::capture(*tree, *viewer);
    ASSERT_TRUE(empty.valid());
    EXPECT_LT(coverage(*empty, red), 0.001f);

    // One file.
    const XdndTestSource::Outcome first = dropOnViewer(uriList({content + "red.ive"}));
    EXPECT_TRUE(first.accepted);
    EXPECT_EQ(first.statusAction, "XdndActionCopy");
    EXPECT_TRUE(first.finishedAccepted);
    ASSERT_TRUE(viewer->waitForOutput("Laddar red\n")) << viewer->output();
    osg::ref_ptr<osg::Image> one = Screenshot::capture(*tree, *viewer);
    ASSERT_TRUE(one.valid());
    EXPECT_GT(coverage(*one, red), 0.005f);
    EXPECT_LT(coverage(*one, green), 0.001f);

    // Three at once, with spaces and non-ASCII letters in their names.
    const XdndTestSource::Outcome three = dropOnViewer(uriList({content + "Hamn och kaj.ive",
                                                                content + "\xC3\x96resund bro.ive",
                                                                content + "gul yta \xC3\xA5\xC3\xA4.osg"}));
    EXPECT_TRUE(three.finishedAccepted);
    ASSERT_TRUE(viewer->waitForOutput("Laddar gul yta \xC3\xA5\xC3\xA4\n")) << viewer->output();
    const std::string log = viewer->output();
    const auto kaj = log.find("Laddar Hamn och kaj\n");
    const auto bro = log.find("Laddar \xC3\x96resund bro\n");
    const auto gul = log.find("Laddar gul yta \xC3\xA5\xC3\xA4\n");
    ASSERT_NE(kaj, std::string::npos);
    ASSERT_NE(bro, std::string::npos);
    EXPECT_LT(kaj, bro);
    EXPECT_LT(bro, gul);
    EXPECT_EQ(kelvotest::occurrences(log, "Laddar red\n"), 1u);
    EXPECT_EQ(kelvotest::occurrences(log, "Unable to load model"), 0u);
    EXPECT_EQ(kelvotest::occurrences(log, "Adding new layer Layer 0"), 1u);

    osg::ref_ptr<osg::Image> four = Screenshot::capture(*tree, *viewer);
    ASSERT_TRUE(four.valid());
    for (const osg::Vec4& color : {red, green, blue, yellow})
        EXPECT_GT(coverage(*four, color), 0.005f) << "colour " << color.r() << " " << color.g() << " " << color.b();

    // A file from outside the program's tree keeps its full path.
    dropOnViewer(uriList({(outside / "extra.ive").string()}));
    ASSERT_TRUE(viewer->waitForOutput("Laddar extra\n")) << viewer->output();

    const std::string saved = kelvotest::saveConfiguration(*tree, *viewer);
    const std::regex model("<Model name=\"([^\"]*)\" filename=\"([^\"]*)\" layerNum=\"([^\"]*)\" visible=\"([^\"]*)\"/>");
    std::vector<std::string> names, files;
    for (auto it = std::sregex_iterator(saved.begin(), saved.end(), model); it != std::sregex_iterator(); ++it) {
        names.push_back((*it)[1]);
        files.push_back((*it)[2]);
        EXPECT_EQ((*it)[3], "0");
        EXPECT_EQ((*it)[4], "1");
    }
    EXPECT_EQ(names, (std::vector<std::string>{"red", "Hamn och kaj", "\xC3\x96resund bro",
                                               "gul yta \xC3\xA5\xC3\xA4", "extra"}))
        << saved;
    EXPECT_EQ(files, (std::vector<std::string>{"../Content/red.ive", "../Content/Hamn och kaj.ive",
                                               "../Content/\xC3\x96resund bro.ive",
                                               "../Content/gul yta \xC3\xA5\xC3\xA4.osg",
                                               (outside / "extra.ive").string()}))
        << saved;

    // Key 0 switches layer 0, the layer of dropped files: all of them go.
    viewer->key("0");
    osg::ref_ptr<osg::Image> hidden = Screenshot::capture(*tree, *viewer);
    ASSERT_TRUE(hidden.valid());
    for (const osg::Vec4& color : {red, green, blue, yellow})
        EXPECT_LT(coverage(*hidden, color), 0.001f);

    fs::remove_all(outside);
}

TEST_F(DropEndToEndTest, NonFileUrisAndUnsupportedFilesAddNothing)
{
    start(false, false);
    writeBox(content + "notes.obj", red, 0.0f);
    const XdndTestSource::Outcome outcome =
        dropOnViewer("https://example.org/terrain.ive\r\n" + XdndTestSource::fileUri(content + "notes.obj") + "\r\n");
    EXPECT_TRUE(outcome.finishedReceived);
    ASSERT_TRUE(viewer->waitForOutput("Unsupported file dropped " + content + "notes.obj\n")) << viewer->output();
    EXPECT_TRUE(viewer->waitForOutput("Ignoring dropped URI https://example.org/terrain.ive: not a local file\n"));

    // Only a non-file URI: the drop is finished as not accepted and no drop event is sent.
    const XdndTestSource::Outcome remote = dropOnViewer("smb://fileserver/share/a.ive\r\n");
    EXPECT_TRUE(remote.finishedReceived);
    EXPECT_FALSE(remote.finishedAccepted);

    // A drag without a URI list is refused.
    int x = 0, y = 0;
    ASSERT_TRUE(source->windowCentre(viewer->window(), x, y));
    XdndTestSource::Drag text;
    text.rootX = x;
    text.rootY = y;
    text.uriList = "plain words";
    text.types = {"text/plain", "UTF8_STRING"};
    const XdndTestSource::Outcome refused = source->perform(text);
    EXPECT_TRUE(refused.statusReceived);
    EXPECT_FALSE(refused.accepted);
    EXPECT_EQ(refused.statusAction, "");

    const std::string saved = kelvotest::saveConfiguration(*tree, *viewer);
    EXPECT_EQ(saved.find("<Model"), std::string::npos) << saved;
    const std::string log = viewer->output();
    EXPECT_EQ(log.find("Laddar"), std::string::npos) << log;
    EXPECT_EQ(log.find("Adding new layer"), std::string::npos);
    ASSERT_TRUE(viewer->alive());
}

TEST_F(DropEndToEndTest, DropsReachAFullScreenWindowAndSurviveTheFullScreenKey)
{
    start(true, true);
    writeBox(content + "a.ive", red, -30.0f);
    writeBox(content + "b.ive", green, -10.0f);
    writeBox(content + "c.ive", blue, 10.0f);

    const XdndTestSource::Outcome onFullScreen = dropOnViewer(uriList({content + "a.ive"}));
    const unsigned long window = std::stoul(viewer->window(), nullptr, 0);
    EXPECT_EQ(onFullScreen.target, window);
    EXPECT_NE(viewer->xdotool("getwindowgeometry " + viewer->window()).find("1024x768"), std::string::npos);
    EXPECT_TRUE(onFullScreen.finishedAccepted);
    ASSERT_TRUE(viewer->waitForOutput("Laddar a\n")) << viewer->output();

    viewer->key("F11");
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    EXPECT_NE(viewer->xdotool("getwindowgeometry " + viewer->window()).find("800x600"), std::string::npos);
    const XdndTestSource::Outcome windowed = dropOnViewer(uriList({content + "b.ive"}));
    EXPECT_EQ(windowed.target, window);
    EXPECT_TRUE(windowed.finishedAccepted);
    ASSERT_TRUE(viewer->waitForOutput("Laddar b\n")) << viewer->output();

    viewer->key("F11");
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    const XdndTestSource::Outcome fullAgain = dropOnViewer(uriList({content + "c.ive"}));
    EXPECT_TRUE(fullAgain.finishedAccepted);
    ASSERT_TRUE(viewer->waitForOutput("Laddar c\n")) << viewer->output();

    osg::ref_ptr<osg::Image> image = Screenshot::capture(*tree, *viewer);
    ASSERT_TRUE(image.valid());
    EXPECT_EQ(image->s(), 1024);
    for (const osg::Vec4& color : {red, green, blue})
        EXPECT_GT(coverage(*image, color), 0.003f);
}
