// The drop target against a real X server, with the test drag source on a connection of its own.

#include "platform/x11/XdndDropTarget.h"
#include "XdndTestSource.h"

#include "NotifyCapture.h"
#include "XvfbServer.h"

#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <thread>

// Last: Xlib defines macros (None, Bool, Status) that clash with names in other headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

using kelvotest::XdndTestSource;
using osgKELVO::XdndDropTarget;

namespace {

class XdndDropTargetTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { server = new kelvotest::XvfbServer(640, 480); }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }

    void SetUp() override
    {
        ASSERT_TRUE(server->running());
        display = XOpenDisplay(server->display().c_str());
        ASSERT_NE(display, nullptr);
        window = createWindow(100, 100);
        target.reset(new XdndDropTarget(server->display()));
        ASSERT_TRUE(target->valid());
        target->attach(window);
    }

    void TearDown() override
    {
        target.reset();
        if (display)
            XCloseDisplay(display);
    }

    // A mapped window standing in for the viewer's top-level window.
    Window createWindow(int x, int y)
    {
        XSetWindowAttributes attributes = {};
        attributes.override_redirect = True;
        const Window created = XCreateWindow(display, DefaultRootWindow(display), x, y, 200, 150, 0,
                                             CopyFromParent, InputOutput, CopyFromParent,
                                             CWOverrideRedirect, &attributes);
        XMapRaised(display, created);
        XSync(display, False);
        return created;
    }

    XdndTestSource::Drag dragOnto(int x, int y, const std::string& uriList) const
    {
        XdndTestSource::Drag drag;
        drag.rootX = x;
        drag.rootY = y;
        drag.uriList = uriList;
        return drag;
    }

    // Runs the source on its own thread while this thread services the target, as the viewer's
    // event check does.
    XdndTestSource::Outcome perform(const XdndTestSource::Drag& drag)
    {
        XdndTestSource source(server->display());
        EXPECT_TRUE(source.connected());
        std::future<XdndTestSource::Outcome> outcome =
            std::async(std::launch::async, [&] { return source.perform(drag, std::chrono::seconds(5)); });
        while (outcome.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
            service();
        service();
        return outcome.get();
    }

    void service()
    {
        target->processEvents([this](const std::vector<std::string>& paths) { drops.push_back(paths); });
    }

    unsigned long property(Window on, const char* name, Atom type)
    {
        Atom actualType = 0;
        int format = 0;
        unsigned long count = 0, remaining = 0, value = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(display, on, XInternAtom(display, name, False), 0, 1, False, type, &actualType,
                           &format, &count, &remaining, &data);
        if (data && count == 1)
            value = *reinterpret_cast<unsigned long*>(data);
        if (data)
            XFree(data);
        return value;
    }

    static kelvotest::XvfbServer* server;
    Display* display = nullptr;
    Window window = 0;
    std::unique_ptr<XdndDropTarget> target;
    std::vector<std::vector<std::string>> drops;
};

kelvotest::XvfbServer* XdndDropTargetTest::server = nullptr;

} // namespace

TEST_F(XdndDropTargetTest, AdvertisesVersionFiveThroughAProxyWindow)
{
    EXPECT_EQ(property(window, "XdndAware", XA_ATOM), 5u);
    const unsigned long proxy = property(window, "XdndProxy", XA_WINDOW);
    ASSERT_NE(proxy, 0u);
    EXPECT_NE(proxy, window);
    EXPECT_EQ(property(proxy, "XdndProxy", XA_WINDOW), proxy);

    const XdndTestSource::Outcome outcome = perform(dragOnto(200, 175, "file:///tmp/a.ive\r\n"));
    EXPECT_EQ(outcome.target, window);
    EXPECT_EQ(outcome.targetVersion, 5);
    EXPECT_EQ(outcome.messageWindow, proxy);
}

TEST_F(XdndDropTargetTest, AcceptsAUriListWithCopyAndDeliversThePathsOnce)
{
    const XdndTestSource::Outcome outcome =
        perform(dragOnto(150, 120, "file:///tmp/one.ive\r\nfile:///tmp/two%20words.osg\r\n"));
    EXPECT_TRUE(outcome.statusReceived);
    EXPECT_TRUE(outcome.accepted);
    EXPECT_EQ(outcome.statusAction, "XdndActionCopy");
    EXPECT_EQ(outcome.statusTarget, window);
    EXPECT_TRUE(outcome.dataRequested);
    EXPECT_EQ(outcome.requestedType, "text/uri-list");
    EXPECT_TRUE(outcome.finishedReceived);
    EXPECT_TRUE(outcome.finishedAccepted);
    EXPECT_EQ(outcome.finishedAction, "XdndActionCopy");
    EXPECT_EQ(outcome.finishedTarget, window);

    for (int i = 0; i < 20; ++i)
        service();
    ASSERT_EQ(drops.size(), 1u);
    EXPECT_EQ(drops[0], (std::vector<std::string>{"/tmp/one.ive", "/tmp/two words.osg"}));
}

TEST_F(XdndDropTargetTest, RefusesADragThatOffersNoUriList)
{
    XdndTestSource::Drag drag = dragOnto(150, 120, "just text");
    drag.types = {"text/plain", "UTF8_STRING"};
    const XdndTestSource::Outcome outcome = perform(drag);
    EXPECT_TRUE(outcome.statusReceived);
    EXPECT_FALSE(outcome.accepted);
    EXPECT_EQ(outcome.statusAction, "");
    EXPECT_FALSE(outcome.dataRequested);
    EXPECT_TRUE(drops.empty());
}

TEST_F(XdndDropTargetTest, FindsTheUriListInALongTypeList)
{
    XdndTestSource::Drag drag = dragOnto(150, 120, "file:///tmp/listed.ive\r\n");
    drag.types = {"x-special/gnome-copied-files", "UTF8_STRING", "text/plain", "STRING", "text/uri-list"};
    const XdndTestSource::Outcome outcome = perform(drag);
    EXPECT_TRUE(outcome.accepted);
    ASSERT_EQ(drops.size(), 1u);
    EXPECT_EQ(drops[0], std::vector<std::string>{"/tmp/listed.ive"});
}

TEST_F(XdndDropTargetTest, AnswersAMoveRequestWithCopy)
{
    XdndTestSource::Drag drag = dragOnto(150, 120, "file:///tmp/moved.ive\r\n");
    drag.action = "XdndActionMove";
    const XdndTestSource::Outcome outcome = perform(drag);
    EXPECT_TRUE(outcome.accepted);
    EXPECT_EQ(outcome.statusAction, "XdndActionCopy");
    EXPECT_EQ(outcome.finishedAction, "XdndActionCopy");
}

TEST_F(XdndDropTargetTest, SpeaksToOlderSourcesInTheirVersion)
{
    XdndTestSource::Drag drag = dragOnto(150, 120, "file:///tmp/old.ive\r\n");
    drag.version = 3;
    const XdndTestSource::Outcome outcome = perform(drag);
    EXPECT_TRUE(outcome.finishedReceived);
    // Before version 5 the finished message carries nothing but the target.
    EXPECT_FALSE(outcome.finishedAccepted);
    EXPECT_EQ(outcome.finishedAction, "");
    ASSERT_EQ(drops.size(), 1u);
    EXPECT_EQ(drops[0], std::vector<std::string>{"/tmp/old.ive"});
}

TEST_F(XdndDropTargetTest, ReceivesALongListInIncrementalPieces)
{
    std::string list;
    std::vector<std::string> expected;
    for (int i = 0; i < 3000; ++i) {
        const std::string path = "/data/survey/tile_" + std::to_string(i) + ".ive";
        list += "file://" + path + "\r\n";
        expected.push_back(path);
    }
    XdndTestSource::Drag drag = dragOnto(150, 120, list);
    drag.incrChunk = 4096;
    const XdndTestSource::Outcome outcome = perform(drag);
    EXPECT_TRUE(outcome.finishedAccepted);
    ASSERT_EQ(drops.size(), 1u);
    EXPECT_EQ(drops[0], expected);
}

TEST_F(XdndDropTargetTest, IgnoresNonFileUrisWithAnInfoLine)
{
    kelvotest::NotifyCapture notices;
    const XdndTestSource::Outcome outcome = perform(dragOnto(150, 120, "https://example.org/a.ive\r\n"));
    EXPECT_TRUE(outcome.finishedReceived);
    EXPECT_FALSE(outcome.finishedAccepted);
    EXPECT_TRUE(drops.empty());
    EXPECT_TRUE(notices.has(osg::INFO, "Ignoring dropped URI https://example.org/a.ive: not a local file"));
}

TEST_F(XdndDropTargetTest, ALeftDragLeavesNothingBehind)
{
    XdndTestSource::Drag hover = dragOnto(150, 120, "file:///tmp/hovered.ive\r\n");
    hover.drop = false;
    const XdndTestSource::Outcome left = perform(hover);
    EXPECT_TRUE(left.accepted);
    EXPECT_FALSE(left.dataRequested);
    EXPECT_TRUE(drops.empty());

    perform(dragOnto(150, 120, "file:///tmp/dropped.ive\r\n"));
    ASSERT_EQ(drops.size(), 1u);
    EXPECT_EQ(drops[0], std::vector<std::string>{"/tmp/dropped.ive"});
}

TEST_F(XdndDropTargetTest, FollowsTheWindowItIsAttachedTo)
{
    const Window replacement = createWindow(350, 250);
    target->attach(replacement);
    EXPECT_EQ(target->attachedWindow(), replacement);
    EXPECT_EQ(property(window, "XdndAware", XA_ATOM), 0u);
    EXPECT_EQ(property(replacement, "XdndAware", XA_ATOM), 5u);

    const XdndTestSource::Outcome outcome = perform(dragOnto(450, 320, "file:///tmp/moved.ive\r\n"));
    EXPECT_EQ(outcome.target, replacement);
    EXPECT_EQ(outcome.finishedTarget, replacement);
    ASSERT_EQ(drops.size(), 1u);
}
