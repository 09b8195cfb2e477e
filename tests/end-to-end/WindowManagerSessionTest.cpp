// The real KELVOview's window under a window manager: full screen, F11, the user's moves, resizes
// and maximizing, and what F3 writes about the window.

#include "ViewerSession.h"
#include "XdndTestSource.h"

#include <algorithm>

using namespace kelvotest;

namespace {

const int screenWidth = 1280, screenHeight = 1024;
const char* const title = "KELVOview window test";

std::string rectangle(std::map<std::string, std::string> w)
{
    return w["x"] + " " + w["y"] + " " + w["width"] + " " + w["height"];
}

} // namespace

TEST(WindowManagerSession, FullScreenDropsRectangleMovesResizesAndMaximizing)
{
    ViewerSession session(screenWidth, screenHeight, true, false);
    XdndTestSource probe(session.server().display());
    ASSERT_TRUE(probe.connected());
    const std::string box = session.tree().root() + "/Content/box.ive";
    ASSERT_TRUE(writeBox(box, {1, 0, 0, 1}, {0, 0, 0}));
    session.tree().writeConfiguration(sceneElement() +
                                      windowElement(title, 100, 50, 640, 480, false, true));
    ASSERT_TRUE(session.start(title));
    const unsigned long window = std::stoul(session.window());
    auto saved = [&] { return elementAttributes(session.save(), "Window"); };
    auto outerIs = [&](const WindowProbe::Rectangle& r) {
        return waitUntil([&] { return probe.outer(window) == r; });
    };
    auto coversScreen = [&] {
        const WindowProbe::Rectangle screen{0, 0, screenWidth, screenHeight};
        return waitUntil(
            [&] { return probe.client(window) == screen && !probe.decorated(window); });
    };
    EXPECT_TRUE(coversScreen()) << probe.client(window);

    // A drop on the full-screen window loads.
    XdndTestSource::Drag drag;
    drag.uriList = XdndTestSource::fileUri(box) + "\r\n";
    ASSERT_TRUE(probe.windowCentre(session.window(), drag.rootX, drag.rootY));
    EXPECT_TRUE(probe.perform(drag).finishedAccepted);
    EXPECT_TRUE(session.waitForOutput("Laddar box\n")) << session.output();

    // The first F11 opens the configured rectangle, decorated, and F3 writes it.
    session.key("F11");
    EXPECT_TRUE(outerIs({100, 50, 640, 480})) << probe.outer(window);
    EXPECT_TRUE(probe.decorated(window));
    std::map<std::string, std::string> attributes = saved();
    EXPECT_EQ(rectangle(attributes), "100 50 640 480");
    EXPECT_EQ(attributes["maximized"] + attributes["fullscreen"], "00");

    // Moved and resized by the user after the viewer's next frame, it comes back there from full
    // screen.
    ASSERT_TRUE(session.shot());
    probe.move(window, 300, 200);
    probe.resize(window, 500, 400);
    ASSERT_TRUE(outerIs({300, 200, 500, 400})) << probe.outer(window);
    session.key("F11");
    EXPECT_TRUE(coversScreen()) << probe.client(window);
    attributes = saved();
    EXPECT_EQ(rectangle(attributes), "0 0 1280 1024") << "full screen is saved as the screen";
    EXPECT_EQ(attributes["fullscreen"], "1");
    session.key("F11");
    EXPECT_TRUE(outerIs({300, 200, 500, 400})) << probe.outer(window);

    // Sized by hand to the screen it counts as full screen; F11 restores the rectangle.
    ASSERT_TRUE(session.shot());
    probe.resize(window, screenWidth, screenHeight);
    probe.move(window, 0, 0);
    ASSERT_TRUE(outerIs({0, 0, screenWidth, screenHeight})) << probe.outer(window);
    EXPECT_EQ(saved()["fullscreen"], "1");
    session.key("F11");
    EXPECT_TRUE(outerIs({300, 200, 500, 400})) << probe.outer(window);

    // Dragged partly off the screen, it is saved at zero on that side only.
    ASSERT_TRUE(session.shot());
    for (const auto& off : {std::make_pair(-50, -30), std::make_pair(-40, 200)}) {
        probe.move(window, off.first, off.second);
        ASSERT_TRUE(waitUntil([&] {
            const WindowProbe::Rectangle r = probe.outer(window);
            return r.x < 0 && (r.y < 0) == (off.second < 0) && r.width == 500;
        })) << probe.outer(window);
        EXPECT_EQ(rectangle(saved()), "0 " + std::to_string(std::max(0, off.second)) + " 500 400");
    }

    // Maximized by the user, it is saved as maximized.
    ASSERT_TRUE(session.shot());
    probe.maximize(window);
    ASSERT_TRUE(waitUntil([&] { return probe.hasState(window, "_NET_WM_STATE_MAXIMIZED_HORZ"); }));
    EXPECT_EQ(saved()["maximized"], "1");
    EXPECT_TRUE(session.stop());
}
