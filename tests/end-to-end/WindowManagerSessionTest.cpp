// The real KELVOview's window under a window manager: where it opens, F11 to full screen and back
// to the remembered rectangle, moves and resizes by the user, maximizing, windows dragged partly
// off the screen, files dropped on a full-screen window, and what F3 writes about the window.

#include "WindowProbe.h"
#include "XdndTestSource.h"

#include "ViewerSession.h"

#include <algorithm>

using namespace kelvotest;

namespace {

const int screenWidth = 1280, screenHeight = 1024;
const char* const title = "KELVOview window test";

class WindowManagerSession : public ::testing::Test
{
protected:
    ::testing::AssertionResult start(const std::string& configuration)
    {
        session.tree().writeConfiguration(configuration);
        ::testing::AssertionResult started = session.start(title);
        if (started)
            window = std::stoul(session.viewer().window());
        return started;
    }

    // F3 and the saved window's attributes; none when nothing was saved.
    std::map<std::string, std::string> saved()
    {
        return elementAttributes(session.save(), "Window");
    }

    static std::string rectangle(std::map<std::string, std::string> w)
    {
        return w["x"] + " " + w["y"] + " " + w["width"] + " " + w["height"];
    }

    bool outerIs(const WindowProbe::Rectangle& r)
    {
        return waitUntil([&] { return probe.outer(window) == r; });
    }

    bool coversScreen()
    {
        const WindowProbe::Rectangle screen{0, 0, screenWidth, screenHeight};
        return waitUntil(
            [&] { return probe.client(window) == screen && !probe.decorated(window); });
    }

    void key(const std::string& keys) { session.viewer().key(keys); }

    ViewerSession session{screenWidth, screenHeight, true, false};
    WindowProbe probe{session.server().display()};
    unsigned long window = 0;
};

} // namespace

TEST_F(WindowManagerSession, RectangleFullScreenMovesResizesAndMaximizing)
{
    ASSERT_TRUE(probe.connected());
    ASSERT_TRUE(start(windowElement(title, 100, 50, 640, 480)));
    EXPECT_TRUE(outerIs({100, 50, 640, 480})) << probe.outer(window);
    EXPECT_TRUE(probe.decorated(window));
    std::map<std::string, std::string> attributes = saved();
    EXPECT_EQ(rectangle(attributes), "100 50 640 480");
    EXPECT_EQ(attributes["maximized"] + attributes["fullscreen"], "00");

    // F11 to full screen, and again back to the configured rectangle.
    key("F11");
    ASSERT_TRUE(coversScreen()) << probe.client(window);
    key("F11");
    EXPECT_TRUE(outerIs({100, 50, 640, 480})) << probe.outer(window);
    EXPECT_TRUE(probe.decorated(window));

    // Moved and resized by the user once the viewer has drawn after its own change, the window
    // comes back to its new place.
    ASSERT_TRUE(session.shot());
    probe.move(window, 300, 200);
    probe.resize(window, 500, 400);
    ASSERT_TRUE(outerIs({300, 200, 500, 400})) << probe.outer(window);
    key("F11");
    EXPECT_TRUE(coversScreen()) << probe.client(window);
    key("F11");
    EXPECT_TRUE(outerIs({300, 200, 500, 400})) << probe.outer(window);

    // Dragged partly off the screen, it is saved at zero on that side only.
    ASSERT_TRUE(session.shot());
    for (const auto& off : {std::make_pair(-50, -30), std::make_pair(-40, 200)}) {
        session.viewer().xdotool("windowmove " + session.viewer().window() + " " +
                                 std::to_string(off.first) + " " + std::to_string(off.second));
        ASSERT_TRUE(waitUntil([&] {
            const WindowProbe::Rectangle r = probe.outer(window);
            return r.x < 0 && (r.y < 0) == (off.second < 0) && r.width == 500;
        })) << probe.outer(window);
        EXPECT_EQ(rectangle(saved()), "0 " + std::to_string(std::max(0, off.second)) + " 500 400");
    }

    // Full screen is saved as the screen; maximized by the user, as maximized.
    key("F11");
    ASSERT_TRUE(coversScreen()) << probe.client(window);
    attributes = saved();
    EXPECT_EQ(rectangle(attributes), "0 0 1280 1024");
    EXPECT_EQ(attributes["fullscreen"], "1");
    key("F11");
    ASSERT_TRUE(waitUntil([&] { return probe.decorated(window); }));
    ASSERT_TRUE(session.shot());
    probe.maximize(window);
    ASSERT_TRUE(waitUntil([&] { return probe.hasState(window, "_NET_WM_STATE_MAXIMIZED_HORZ"); }));
    EXPECT_EQ(saved()["maximized"], "1");
    EXPECT_TRUE(session.stop());
}

TEST_F(WindowManagerSession, StartedFullScreenItTakesDropsAndTheFirstF11RestoresTheRectangle)
{
    ASSERT_TRUE(probe.connected());
    const std::string content = session.tree().root() + "/Content/";
    ASSERT_TRUE(writeBox(content + "0.ive", {1, 0, 0, 1}, {0, 0, 0}));
    ASSERT_TRUE(writeBox(content + "1.ive", {0, 0, 1, 1}, {0, 0, 0}));
    ASSERT_TRUE(start(sceneElement() + windowElement(title, 140, 60, 500, 400, false, true)));
    EXPECT_TRUE(coversScreen()) << probe.client(window);
    XdndTestSource source(session.server().display());
    ASSERT_TRUE(source.connected());
    auto drop = [&](const std::string& name) {
        XdndTestSource::Drag drag;
        drag.uriList = XdndTestSource::fileUri(content + name + ".ive") + "\r\n";
        const bool found = source.windowCentre(session.viewer().window(), drag.rootX, drag.rootY);
        const XdndTestSource::Outcome outcome =
            found ? source.perform(drag) : XdndTestSource::Outcome();
        return outcome.target == window && outcome.finishedAccepted &&
               session.viewer().waitForOutput("Laddar " + name + "\n");
    };
    EXPECT_TRUE(drop("0")) << "on the full-screen window:\n" << session.viewer().output();

    // The first F11 opens the configured rectangle, which takes drops too.
    key("F11");
    EXPECT_TRUE(outerIs({140, 60, 500, 400})) << probe.outer(window);
    EXPECT_TRUE(probe.decorated(window));
    EXPECT_TRUE(drop("1")) << "on the window:\n" << session.viewer().output();
    // Sized by hand to the screen it counts as full screen; F11 restores the rectangle.
    ASSERT_TRUE(session.shot());
    probe.resize(window, screenWidth, screenHeight);
    probe.move(window, 0, 0);
    ASSERT_TRUE(outerIs({0, 0, screenWidth, screenHeight})) << probe.outer(window);
    EXPECT_EQ(saved()["fullscreen"], "1");
    key("F11");
    EXPECT_TRUE(outerIs({140, 60, 500, 400})) << probe.outer(window);
    EXPECT_TRUE(session.stop());
}
