// The real KELVOview's window under a window manager: where it opens, F11 to full screen and back
// to the remembered rectangle, moves and resizes by the user, maximizing, windows dragged partly
// off the screen, files dropped on a full-screen window, and what F3 writes about the window.

#include "WindowProbe.h"
#include "XdndTestSource.h"

#include "ViewerSession.h"


using namespace kelvotest;

namespace {

const int screenWidth = 1280;
const int screenHeight = 1024;
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

    std::map<std::string, std::string> save() { return elementAttributes(session.save(), "Window"); }

    bool outerIs(const WindowProbe::Rectangle& r)
    {
        return waitUntil([&] { return probe.outer(window) == r; });
    }

    bool coversScreen()
    {
        const WindowProbe::Rectangle screen{0, 0, screenWidth, screenHeight};
        return waitUntil([&] { return probe.client(window) == screen && !probe.decorated(window); });
    }

    ViewerSession session{screenWidth, screenHeight, true, false};
    WindowProbe probe{session.server().display()};
    unsigned long window = 0;
};

} // namespace

TEST_F(WindowManagerSession, RectangleFullScreenMovesResizesAndMaximizing)
{
    ASSERT_TRUE(probe.connected());
    ASSERT_TRUE(start(windowElement(title, 100, 50, 640, 480)));
    EXPECT_EQ(session.viewer().xdotool("getwindowname " + session.viewer().window()), title);
    EXPECT_TRUE(outerIs({100, 50, 640, 480})) << probe.outer(window);
    EXPECT_TRUE(probe.decorated(window));
    EXPECT_FALSE(probe.hasState(window, "_NET_WM_STATE_MAXIMIZED_VERT"));
    auto saved = save();
    EXPECT_EQ(saved.at("title"), title);
    EXPECT_EQ(saved.at("x"), "100");
    EXPECT_EQ(saved.at("y"), "50");
    EXPECT_EQ(saved.at("width"), "640");
    EXPECT_EQ(saved.at("height"), "480");
    EXPECT_EQ(saved.at("maximized"), "0");
    EXPECT_EQ(saved.at("fullscreen"), "0");

    // F11 to full screen, and again back to the configured rectangle.
    session.viewer().key("F11");
    ASSERT_TRUE(coversScreen()) << probe.client(window);
    session.viewer().key("F11");
    EXPECT_TRUE(outerIs({100, 50, 640, 480})) << probe.outer(window);
    EXPECT_TRUE(probe.decorated(window));

    // Moved and resized by the user, once the viewer has drawn after its own change, the window
    // comes back to its new place.
    ASSERT_TRUE(session.shot());
    probe.move(window, 300, 200);
    probe.resize(window, 500, 400);
    ASSERT_TRUE(outerIs({300, 200, 500, 400})) << probe.outer(window);
    session.viewer().key("F11");
    EXPECT_TRUE(coversScreen()) << probe.client(window);
    session.viewer().key("F11");
    EXPECT_TRUE(outerIs({300, 200, 500, 400})) << probe.outer(window);

    // Dragged partly off the screen, it is saved at zero on that side only.
    ASSERT_TRUE(session.shot());
    session.viewer().xdotool("windowmove " + session.viewer().window() + " -50 -30");
    ASSERT_TRUE(waitUntil([&] { return probe.outer(window).x < 0 && probe.outer(window).y < 0; }))
        << probe.outer(window);
    saved = save();
    EXPECT_EQ(saved.at("x"), "0");
    EXPECT_EQ(saved.at("y"), "0");
    EXPECT_EQ(saved.at("width"), "500");
    EXPECT_EQ(saved.at("height"), "400");
    session.viewer().xdotool("windowmove " + session.viewer().window() + " -40 200");
    ASSERT_TRUE(outerIs({-40, 200, 500, 400})) << probe.outer(window);
    saved = save();
    EXPECT_EQ(saved.at("x"), "0");
    EXPECT_EQ(saved.at("y"), "200");

    // Full screen is saved as the screen.
    session.viewer().key("F11");
    ASSERT_TRUE(coversScreen()) << probe.client(window);
    saved = save();
    EXPECT_EQ(saved.at("x"), "0");
    EXPECT_EQ(saved.at("y"), "0");
    EXPECT_EQ(saved.at("width"), std::to_string(screenWidth));
    EXPECT_EQ(saved.at("height"), std::to_string(screenHeight));
    EXPECT_EQ(saved.at("fullscreen"), "1");
    session.viewer().key("F11");
    ASSERT_TRUE(waitUntil([&] { return probe.decorated(window); }));

    // Maximized by the user, it is saved as maximized.
    ASSERT_TRUE(session.shot());
    probe.maximize(window);
    ASSERT_TRUE(waitUntil([&] { return probe.hasState(window, "_NET_WM_STATE_MAXIMIZED_HORZ"); }));
    EXPECT_EQ(save().at("maximized"), "1");
    EXPECT_TRUE(session.stop());

    // Maximized from the configuration, and saved with the rectangle it has.
    ASSERT_TRUE(start(windowElement(title, 100, 80, 500, 400, true, false)));
    EXPECT_TRUE(waitUntil([&] {
        return probe.hasState(window, "_NET_WM_STATE_MAXIMIZED_VERT") &&
               probe.hasState(window, "_NET_WM_STATE_MAXIMIZED_HORZ");
    }));
    EXPECT_TRUE(waitUntil([&] { return probe.client(window).width == screenWidth; })) << probe.client(window);
    const WindowProbe::Rectangle now = probe.outer(window);
    saved = save();
    EXPECT_EQ(saved.at("maximized"), "1");
    EXPECT_EQ(saved.at("x"), std::to_string(now.x));
    EXPECT_EQ(saved.at("y"), std::to_string(now.y));
    EXPECT_EQ(saved.at("width"), std::to_string(now.width));
    EXPECT_EQ(saved.at("height"), std::to_string(now.height));
    EXPECT_EQ(saved.at("fullscreen"), "0");
    EXPECT_TRUE(session.stop());
}

TEST_F(WindowManagerSession, StartedFullScreenItTakesDropsAndTheFirstF11RestoresTheRectangle)
{
    ASSERT_TRUE(probe.connected());
    const std::string content = session.tree().root() + "/Content/";
    const osg::Vec4 red(1, 0, 0, 1), green(0, 1, 0, 1), blue(0, 0, 1, 1);
    ASSERT_TRUE(writeBox(content + "a.ive", red, {-30, 0, 0}));
    ASSERT_TRUE(writeBox(content + "b.ive", green, {-10, 0, 0}));
    ASSERT_TRUE(writeBox(content + "c.ive", blue, {10, 0, 0}));
    ASSERT_TRUE(start(sceneElement() + environmentElement(0.8f, 0.8f, 1.0f) +
                      navigationElement({0, -120, 0}, {0, 0, 0}) + windowElement(title, 140, 60, 500, 400, false, true)));
    EXPECT_TRUE(coversScreen()) << probe.client(window);
    session.viewer().key("F1");
    XdndTestSource source(session.server().display());
    ASSERT_TRUE(source.connected());
    auto drop = [&](const std::string& file) {
        XdndTestSource::Drag drag;
        EXPECT_TRUE(source.windowCentre(session.viewer().window(), drag.rootX, drag.rootY));
        drag.uriList = XdndTestSource::fileUri(file) + "\r\n";
        return source.perform(drag);
    };

    const XdndTestSource::Outcome onFullScreen = drop(content + "a.ive");
    EXPECT_EQ(onFullScreen.target, window);
    EXPECT_TRUE(onFullScreen.finishedAccepted);
    ASSERT_TRUE(session.viewer().waitForOutput("Laddar a\n")) << session.viewer().output();

    session.viewer().key("F11");
    EXPECT_TRUE(outerIs({140, 60, 500, 400})) << probe.outer(window);
    EXPECT_TRUE(probe.decorated(window));
    const XdndTestSource::Outcome windowed = drop(content + "b.ive");
    EXPECT_EQ(windowed.target, window);
    EXPECT_TRUE(windowed.finishedAccepted);
    ASSERT_TRUE(session.viewer().waitForOutput("Laddar b\n")) << session.viewer().output();

    // Sized by hand to the screen it counts as full screen; F11 restores the rectangle.
    ASSERT_TRUE(session.shot());
    probe.resize(window, screenWidth, screenHeight);
    probe.move(window, 0, 0);
    ASSERT_TRUE(outerIs({0, 0, screenWidth, screenHeight})) << probe.outer(window);
    EXPECT_EQ(save().at("fullscreen"), "1");
    session.viewer().key("F11");
    EXPECT_TRUE(outerIs({140, 60, 500, 400})) << probe.outer(window);

    session.viewer().key("F11");
    ASSERT_TRUE(coversScreen()) << probe.client(window);
    EXPECT_TRUE(drop(content + "c.ive").finishedAccepted);
    ASSERT_TRUE(session.viewer().waitForOutput("Laddar c\n")) << session.viewer().output();
    osg::ref_ptr<osg::Image> image = session.shot();
    ASSERT_TRUE(image.valid());
    EXPECT_EQ(image->s(), screenWidth);
    for (const osg::Vec4& color : {red, green, blue})
        EXPECT_GT(Screenshot::share(*image, color), 0.003f);
    EXPECT_TRUE(session.stop());
}
