// The real KELVOview's window under a window manager: where it opens, F11 to full screen and back,
// maximizing, and what F3 writes about the window.

#include <gtest/gtest.h>

#include "RuntimeTree.h"
#include "ViewerProcess.h"
#include "WindowProbe.h"
#include "XvfbServer.h"

#include <tinyxml2.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>

using kelvotest::RuntimeTree;
using kelvotest::ViewerProcess;
using kelvotest::WindowProbe;
using kelvotest::XvfbServer;

namespace {

const int screenWidth = 1280;
const int screenHeight = 1024;
const char* const title = "KELVOview window test";

std::string windowElement(int x, int y, int width, int height, bool maximized, bool fullscreen)
{
    return std::string("<Window title=\"") + title + "\" x=\"" + std::to_string(x) + "\" y=\"" +
           std::to_string(y) + "\" width=\"" + std::to_string(width) + "\" height=\"" +
           std::to_string(height) + "\" maximized=\"" + (maximized ? "1" : "0") + "\" fullscreen=\"" +
           (fullscreen ? "1" : "0") + "\" screenNum=\"0\" numSamples=\"0\" stereo=\"0\"/>\n";
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = std::chrono::seconds(10))
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return condition();
}

// The attributes of the first Window element of a configuration text.
std::map<std::string, std::string> windowAttributes(const std::string& xml)
{
    std::map<std::string, std::string> attributes;
    tinyxml2::XMLDocument document;
    if (document.Parse(xml.c_str()) != tinyxml2::XML_SUCCESS)
        return attributes;
    if (const tinyxml2::XMLElement* window = document.FirstChildElement("Window"))
        for (const tinyxml2::XMLAttribute* a = window->FirstAttribute(); a; a = a->Next())
            attributes[a->Name()] = a->Value();
    return attributes;
}

class WindowEndToEndTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.running());
        ASSERT_TRUE(probe.connected());
    }

    void start(const std::string& configuration, const std::string& windowTitle = title)
    {
        if (configuration.empty())
            tree.removeConfiguration();
        else
            tree.writeConfiguration(configuration);
        viewer.reset(new ViewerProcess(tree, server.display()));
        ASSERT_FALSE(viewer->waitForWindow(windowTitle).empty()) << viewer->output();
        window = std::stoul(viewer->window());
    }

    void stop()
    {
        viewer->key("Escape");
        EXPECT_EQ(viewer->waitForExit(), 0) << viewer->output();
    }

    // Presses F3 and returns the attributes of the Window element it wrote.
    std::map<std::string, std::string> save()
    {
        tree.removeConfiguration();
        viewer->key("F3");
        waitUntil([&] { return !tree.readConfiguration().empty(); });
        return windowAttributes(tree.readConfiguration());
    }

    bool outerIs(const WindowProbe::Rectangle& r)
    {
        return waitUntil([&] { return probe.outer(window) == r; });
    }

    bool coversScreen()
    {
        const WindowProbe::Rectangle screen{0, 0, screenWidth, screenHeight};
        return waitUntil([&] { return probe.client(window) == screen && !probe.decorated(window); });
    }

    XvfbServer server{screenWidth, screenHeight, true};
    WindowProbe probe{server.display()};
    RuntimeTree tree{false};
    std::unique_ptr<ViewerProcess> viewer;
    unsigned long window = 0;
};

} // namespace

TEST_F(WindowEndToEndTest, OpensWithTheConfiguredTitlePositionAndSize)
{
    start(windowElement(150, 70, 640, 480, false, false));
    EXPECT_EQ(viewer->xdotool("getwindowname " + viewer->window()), title);
    EXPECT_TRUE(outerIs({150, 70, 640, 480})) << probe.outer(window);
    EXPECT_TRUE(probe.decorated(window));
    EXPECT_FALSE(probe.hasState(window, "_NET_WM_STATE_MAXIMIZED_VERT"));

    const auto saved = save();
    EXPECT_EQ(saved.at("title"), title);
    EXPECT_EQ(saved.at("x"), "150");
    EXPECT_EQ(saved.at("y"), "70");
    EXPECT_EQ(saved.at("width"), "640");
    EXPECT_EQ(saved.at("height"), "480");
    EXPECT_EQ(saved.at("maximized"), "0");
    EXPECT_EQ(saved.at("fullscreen"), "0");
    stop();
}

TEST_F(WindowEndToEndTest, WithoutConfigurationOpensTheDefaultWindowCentred)
{
    start("", "KELVOview 1.02");
    EXPECT_TRUE(outerIs({(screenWidth - 1024) / 2, (screenHeight - 768) / 2, 1024, 768})) << probe.outer(window);
    EXPECT_EQ(save().at("numSamples"), "4");
    stop();
}

TEST_F(WindowEndToEndTest, F11GoesFullScreenAndBackToTheRememberedRectangle)
{
    start(windowElement(100, 50, 640, 480, false, false));
    ASSERT_TRUE(outerIs({100, 50, 640, 480})) << probe.outer(window);

    viewer->key("F11");
    EXPECT_TRUE(coversScreen()) << probe.client(window);
    viewer->key("F11");
    EXPECT_TRUE(outerIs({100, 50, 640, 480})) << probe.outer(window);
    EXPECT_TRUE(probe.decorated(window));

    // Moved and resized by the user, the window comes back to its new place.
    probe.move(window, 300, 200);
    probe.resize(window, 500, 400);
    ASSERT_TRUE(outerIs({300, 200, 500, 400})) << probe.outer(window);
    viewer->key("F11");
    EXPECT_TRUE(coversScreen()) << probe.client(window);
    viewer->key("F11");
    EXPECT_TRUE(outerIs({300, 200, 500, 400})) << probe.outer(window);
    stop();
}

TEST_F(WindowEndToEndTest, WindowSizedByHandToTheScreenCountsAsFullScreen)
{
    start(windowElement(120, 90, 600, 450, false, false));
    probe.resize(window, screenWidth, screenHeight);
    probe.move(window, 0, 0);
    ASSERT_TRUE(outerIs({0, 0, screenWidth, screenHeight})) << probe.outer(window);

    const auto saved = save();
    EXPECT_EQ(saved.at("fullscreen"), "1");
    EXPECT_EQ(saved.at("width"), std::to_string(screenWidth));

    // F11 takes it for full screen and restores the rectangle it was created with.
    viewer->key("F11");
    EXPECT_TRUE(outerIs({120, 90, 600, 450})) << probe.outer(window);
    EXPECT_TRUE(probe.decorated(window));
    stop();
}

TEST_F(WindowEndToEndTest, StartedFullScreenTheFirstF11RestoresTheConfiguredRectangle)
{
    start(windowElement(140, 60, 500, 400, false, true));
    EXPECT_TRUE(coversScreen()) << probe.client(window);
    viewer->key("F11");
    EXPECT_TRUE(outerIs({140, 60, 500, 400})) << probe.outer(window);
    EXPECT_TRUE(probe.decorated(window));
    stop();
}

TEST_F(WindowEndToEndTest, FullScreenIsSavedAsTheScreenAndReopensFullScreen)
{
    start(windowElement(100, 50, 640, 480, false, false));
    viewer->key("F11");
    ASSERT_TRUE(coversScreen()) << probe.client(window);

    const auto saved = save();
    EXPECT_EQ(saved.at("x"), "0");
    EXPECT_EQ(saved.at("y"), "0");
    EXPECT_EQ(saved.at("width"), std::to_string(screenWidth));
    EXPECT_EQ(saved.at("height"), std::to_string(screenHeight));
    EXPECT_EQ(saved.at("fullscreen"), "1");
    stop();

    viewer.reset(new ViewerProcess(tree, server.display()));
    ASSERT_FALSE(viewer->waitForWindow(title).empty()) << viewer->output();
    window = std::stoul(viewer->window());
    EXPECT_TRUE(coversScreen()) << probe.client(window);
    stop();
}

TEST_F(WindowEndToEndTest, MaximizedFromTheConfigurationAndSavedAsMaximised)
{
    start(windowElement(100, 80, 500, 400, true, false));
    EXPECT_TRUE(waitUntil([&] {
        return probe.hasState(window, "_NET_WM_STATE_MAXIMIZED_VERT") &&
               probe.hasState(window, "_NET_WM_STATE_MAXIMIZED_HORZ");
    }));
    EXPECT_TRUE(waitUntil([&] { return probe.client(window).width == screenWidth; })) << probe.client(window);

    const WindowProbe::Rectangle now = probe.outer(window);
    const auto saved = save();
    EXPECT_EQ(saved.at("maximized"), "1");
    EXPECT_EQ(saved.at("x"), std::to_string(now.x));
    EXPECT_EQ(saved.at("y"), std::to_string(now.y));
    EXPECT_EQ(saved.at("width"), std::to_string(now.width));
    EXPECT_EQ(saved.at("height"), std::to_string(now.height));
    EXPECT_EQ(saved.at("fullscreen"), "0");
    stop();
}

TEST_F(WindowEndToEndTest, MaximizedByTheUserIsSavedAsMaximised)
{
    start(windowElement(100, 80, 500, 400, false, false));
    EXPECT_EQ(save().at("maximized"), "0");
    probe.maximize(window);
    ASSERT_TRUE(waitUntil([&] { return probe.hasState(window, "_NET_WM_STATE_MAXIMIZED_HORZ"); }));
    EXPECT_EQ(save().at("maximized"), "1");
    stop();
}

TEST_F(WindowEndToEndTest, WindowDraggedPartlyOffScreenIsSavedAtZero)
{
    start(windowElement(100, 50, 640, 480, false, false));
    viewer->xdotool("windowmove " + viewer->window() + " -50 -30");
    ASSERT_TRUE(waitUntil([&] { return probe.outer(window).x < 0 && probe.outer(window).y < 0; }))
        << probe.outer(window);
    auto saved = save();
    EXPECT_EQ(saved.at("x"), "0");
    EXPECT_EQ(saved.at("y"), "0");
    EXPECT_EQ(saved.at("width"), "640");
    EXPECT_EQ(saved.at("height"), "480");

    // Off the left edge only: y is kept.
    viewer->xdotool("windowmove " + viewer->window() + " -40 200");
    ASSERT_TRUE(outerIs({-40, 200, 640, 480})) << probe.outer(window);
    saved = save();
    EXPECT_EQ(saved.at("x"), "0");
    EXPECT_EQ(saved.at("y"), "200");
    stop();
}
