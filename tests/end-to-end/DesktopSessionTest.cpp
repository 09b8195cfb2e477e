#include "RuntimeTree.h"
#include "Screenshot.h"
#include "ViewerProcess.h"
#include "XvfbServer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <cstdlib>
#include <regex>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace kelvotest;

namespace {

// Share of the pixels of a region that differ from the same pixels of an empty view (background and
// head-up display only).
float coverage(const osg::Image& image, const osg::Image& empty, int x0, int y0, int x1, int y1)
{
    int covered = 0, total = 0;
    for (int y = y0; y < y1; y += 2) {
        for (int x = x0; x < x1; x += 2, ++total) {
            const osg::Vec3f d = Screenshot::pixel(image, x, y) - Screenshot::pixel(empty, x, y);
            covered += (std::fabs(d.x()) + std::fabs(d.y()) + std::fabs(d.z())) > 0.15f ? 1 : 0;
        }
    }
    return total ? static_cast<float>(covered) / total : 0.0f;
}

std::string layeredConfiguration(const RuntimeTree& tree)
{
    (void)tree;
    return "<Scene loadInfoPoints=\"0\" generatePowerline=\"0\">\n"
           "  <Model name=\"Cow\" filename=\"../Content/Models/Cow.ive\" layerNum=\"1\" visible=\"1\"/>\n"
           "  <Model name=\"Truck\" filename=\"../Content/Models/Truck.ive\" layerNum=\"2\" visible=\"1\"/>\n"
           "  <Model name=\"Cessna\" filename=\"../Content/Models/Cessna.ive\" layerNum=\"2\" visible=\"0\"/>\n"
           "  <Model name=\"Gone\" filename=\"../Content/Models/Gone.ive\" layerNum=\"3\" visible=\"1\"/>\n"
           "  <Model name=\"Plain\" filename=\"../Content/Models/notes.txt\" layerNum=\"4\" visible=\"1\"/>\n"
           "</Scene>\n"
           "<Navigation homeEyeX=\"0\" homeEyeY=\"-40\" homeEyeZ=\"6\" homeCenterX=\"0\" homeCenterY=\"0\" "
           "homeCenterZ=\"0\"/>\n"
           "<Window title=\"KELVOview 1.02\" x=\"0\" y=\"0\" width=\"800\" height=\"600\" numSamples=\"0\"/>\n";
}

class ApplicationEndToEnd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.running());
        for (const char* model : {"Cow.ive", "Truck.ive", "Cessna.ive"})
            tree.copyInto(std::string(TEST_MODEL_DIR) + "/" + model, std::string("Content/Models/") + model);
        RuntimeTree::writeFile(tree.root() + "/Content/Models/notes.txt", "not a model\n");
    }

    XvfbServer server;
    RuntimeTree tree{false};
};

} // namespace

TEST_F(ApplicationEndToEnd, LayersSwitchWithDigitsAndAlternativesCycleWithAlt)
{
    tree.writeConfiguration(layeredConfiguration(tree));
    ViewerProcess viewer(tree, server.display());
    ASSERT_FALSE(viewer.waitForWindow().empty()) << viewer.output();

    const std::string log = viewer.output();
    EXPECT_NE(std::string::npos, log.find("KELVOview 1.02\n"));
    EXPECT_NE(std::string::npos, log.find("Loaded configuration file successfully"));
    for (const char* line : {"Laddar Cow\n", "Laddar Truck\n", "Laddar Cessna\n", "Laddar Gone\n",
                             "Adding new layer Layer 0\n", "Adding new layer Layer 2\n",
                             "Unable to load model ../Content/Models/Gone.ive\n",
                             "Unsupported file dropped ../Content/Models/notes.txt\n"})
        EXPECT_NE(std::string::npos, log.find(line)) << line << "\n" << log;
    EXPECT_EQ(std::string::npos, log.find("Adding new layer Layer 3")) << "a failed model makes no layer";

    // The help panel shows at start; F1 hides it so that the scene is seen whole.
    viewer.key("F1");

    // With both layers off the view shows only what is not a model.
    viewer.key("1");
    viewer.key("2");
    osg::ref_ptr<osg::Image> empty = Screenshot::capture(tree, viewer);
    ASSERT_TRUE(empty.valid());
    viewer.key("1");
    viewer.key("2");

    // Left of the centre: the cow (layer 1). Right of it: the truck or the cessna (layer 2).
    const int w = 800, h = 600;
    auto left = [&](const osg::Image& i) { return coverage(i, *empty, 60, 120, w / 2 - 20, h - 120); };
    auto right = [&](const osg::Image& i) { return coverage(i, *empty, w / 2 + 20, 120, w - 60, h - 120); };

    osg::ref_ptr<osg::Image> start = Screenshot::capture(tree, viewer);
    ASSERT_TRUE(start.valid());
    ASSERT_EQ(w, start->s());
    if (const char* keep = std::getenv("KELVO_KEEP_SHOTS"))
        Screenshot::save(*start, std::string(keep) + "/start.png");
    EXPECT_GT(left(*start), 0.01f);
    EXPECT_GT(right(*start), 0.01f);

    viewer.key("1");
    osg::ref_ptr<osg::Image> cowOff = Screenshot::capture(tree, viewer);
    ASSERT_TRUE(cowOff.valid());
    EXPECT_LT(left(*cowOff), 0.002f) << "layer 1 switched off";
    EXPECT_LT(Screenshot::difference(*start, *cowOff, w / 2 + 20, 120, w - 60, h - 120), 0.01f) << "layer 2 untouched";

    viewer.key("1");
    osg::ref_ptr<osg::Image> cowOn = Screenshot::capture(tree, viewer);
    ASSERT_TRUE(cowOn.valid());
    EXPECT_LT(Screenshot::difference(*start, *cowOn, 60, 120, w - 60, h - 120), 0.01f) << "layer 1 back on";

    // A person releases the digit while Alt is still held ("xdotool key alt+2" would not).
    viewer.keyDown("Alt_L");
    viewer.key("2");
    viewer.keyUp("Alt_L");
    osg::ref_ptr<osg::Image> cessna = Screenshot::capture(tree, viewer);
    ASSERT_TRUE(cessna.valid());
    EXPECT_GT(right(*cessna), 0.005f) << "an alternative is shown";
    EXPECT_GT(Screenshot::difference(*start, *cessna, w / 2 + 20, 120, w - 60, h - 120), 0.01f) << "cessna, not truck";
    EXPECT_LT(Screenshot::difference(*start, *cessna, 60, 120, w / 2 - 20, h - 120), 0.01f);

    viewer.keyDown("Control_L");
    viewer.key("2");
    viewer.keyUp("Control_L");
    osg::ref_ptr<osg::Image> truckAgain = Screenshot::capture(tree, viewer);
    ASSERT_TRUE(truckAgain.valid());
    EXPECT_LT(Screenshot::difference(*start, *truckAgain, 60, 120, w - 60, h - 120), 0.01f) << "cycled back to the truck";

    viewer.key("2");
    osg::ref_ptr<osg::Image> layerOff = Screenshot::capture(tree, viewer);
    ASSERT_TRUE(layerOff.valid());
    EXPECT_LT(right(*layerOff), 0.002f);

    if (const char* keep = std::getenv("KELVO_KEEP_SHOTS")) {
        Screenshot::save(*cowOff, std::string(keep) + "/cowOff.png");
        Screenshot::save(*cessna, std::string(keep) + "/cessna.png");
        Screenshot::save(*truckAgain, std::string(keep) + "/truckAgain.png");
    }

    viewer.key("F3");
    ASSERT_TRUE(viewer.alive());
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const std::string saved = tree.readConfiguration();
    const std::regex models("<Model name=\"Cow\" filename=\"../Content/Models/Cow.ive\" layerNum=\"1\" visible=\"1\"/>\\s*"
                            "<Model name=\"Truck\" filename=\"../Content/Models/Truck.ive\" layerNum=\"2\" visible=\"1\"/>\\s*"
                            "<Model name=\"Cessna\" filename=\"../Content/Models/Cessna.ive\" layerNum=\"2\" visible=\"0\"/>\\s*"
                            "</Scene>");
    EXPECT_TRUE(std::regex_search(saved, models)) << saved;
    EXPECT_EQ(std::string::npos, saved.find("Gone")) << saved;
    EXPECT_NE(std::string::npos, saved.find("<Navigation homeEyeX=\"0\" homeEyeY=\"-40\" homeEyeZ=\"6\""))
        << saved;
    EXPECT_TRUE(std::regex_search(saved, std::regex("<Window title=\"KELVOview 1.02\" x=\"0\" y=\"0\" "
                                                    "width=\"800\" height=\"600\" maximized=\"0\" "
                                                    "fullscreen=\"0\" screenNum=\"0\" numSamples=\"0\" "
                                                    "stereo=\"0\"/>")))
        << saved;

    viewer.key("Escape");
    EXPECT_EQ(0, viewer.waitForExit());
}

TEST_F(ApplicationEndToEnd, WithoutConfigurationTheWindowIsCentredAndTitled)
{
    tree.removeConfiguration();
    ViewerProcess viewer(tree, server.display());
    const std::string window = viewer.waitForWindow();
    ASSERT_FALSE(window.empty()) << viewer.output();
    EXPECT_EQ("KELVOview 1.02", viewer.xdotool("getwindowname " + window));
    const std::string geometry = viewer.xdotool("getwindowgeometry " + window);
    EXPECT_NE(std::string::npos, geometry.find("Position: 128,128")) << geometry;
    EXPECT_NE(std::string::npos, geometry.find("Geometry: 1024x768")) << geometry;
    EXPECT_NE(std::string::npos, viewer.output().find("No configuration file found, using defaults"));

    viewer.key("Escape");
    EXPECT_EQ(0, viewer.waitForExit());
    EXPECT_FALSE(fs::exists(tree.configurationPath())) << "nothing is written at exit";
}

TEST_F(ApplicationEndToEnd, StartedOutsideBinItMovesThereFirst)
{
    tree.writeConfiguration(layeredConfiguration(tree));
    // From Content/Models, ../Resources does not exist, but it does beside Bin.
    const std::string elsewhere = tree.root() + "/Content/Models";
    const pid_t pid = ::fork();
    if (pid == 0) {
        const std::string log = tree.root() + "/outside.log";
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        if (::chdir(elsewhere.c_str()) != 0)
            ::_exit(126);
        ::setenv("DISPLAY", server.display().c_str(), 1);
        ::setenv("OSG_NOTIFY_LEVEL", "INFO", 1);
        ::execl((tree.bin() + "/KELVOview").c_str(), "KELVOview", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::string log;
    for (int i = 0; i < 150 && log.find("Laddar Cow") == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        log = RuntimeTree::readFile(tree.root() + "/outside.log");
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    EXPECT_NE(std::string::npos, log.find("Changed working directory to " + tree.bin())) << log;
    EXPECT_NE(std::string::npos, log.find("Loaded configuration file successfully")) << log;
    EXPECT_EQ(std::string::npos, log.find("Unable to load model ../Content/Models/Cow.ive")) << log;
}

TEST_F(ApplicationEndToEnd, ScreenshotsOfEarlierRunsAreKept)
{
    tree.writeConfiguration(layeredConfiguration(tree));
    std::string firstRun;
    {
        ViewerProcess viewer(tree, server.display());
        ASSERT_FALSE(viewer.waitForWindow().empty()) << viewer.output();
        ASSERT_TRUE(Screenshot::capture(tree, viewer).valid());
        viewer.key("1");
        ASSERT_TRUE(Screenshot::capture(tree, viewer).valid());
        viewer.key("Escape");
        EXPECT_EQ(0, viewer.waitForExit());
    }
    ASSERT_TRUE(fs::exists(tree.root() + "/KELVOview_0_0.jpg"));
    ASSERT_TRUE(fs::exists(tree.root() + "/KELVOview_1_0.jpg"));
    firstRun = RuntimeTree::readFile(tree.root() + "/KELVOview_0_0.jpg");

    ViewerProcess viewer(tree, server.display());
    ASSERT_FALSE(viewer.waitForWindow().empty()) << viewer.output();
    viewer.key("2");
    ASSERT_TRUE(Screenshot::capture(tree, viewer).valid());
    EXPECT_TRUE(fs::exists(tree.root() + "/KELVOview_2_0.jpg"));
    EXPECT_EQ(firstRun, RuntimeTree::readFile(tree.root() + "/KELVOview_0_0.jpg"));
    viewer.key("Escape");
    EXPECT_EQ(0, viewer.waitForExit());
}
