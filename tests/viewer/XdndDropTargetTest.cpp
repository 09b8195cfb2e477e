// The drop target against a real X server, with the test drag source on a connection of its own.

#include "platform/x11/XdndDropTarget.h"
#include "XdndTestSource.h"

#include "NotifyCapture.h"
#include "XvfbServer.h"

#include <gtest/gtest.h>

#include <future>
#include <memory>

// Last: Xlib defines macros (None, Bool, Status) that clash with names in other headers.
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
        const Window created =
            XCreateWindow(display, DefaultRootWindow(display), x, y, 200, 150, 0, CopyFromParent,
                          InputOutput, CopyFromParent, CWOverrideRedirect, &attributes);
        XMapRaised(display, created);
        XSync(display, False);
        return created;
    }

    // Runs the source on its own thread while this thread services the target, as the viewer's
    // event check does.
    XdndTestSource::Outcome perform(const XdndTestSource::Drag& drag)
    {
        XdndTestSource source(server->display());
        EXPECT_TRUE(source.connected());
        std::future<XdndTestSource::Outcome> outcome = std::async(
            std::launch::async, [&] { return source.perform(drag, std::chrono::seconds(5)); });
        while (outcome.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
            service();
        service();
        return outcome.get();
    }

    void service()
    {
        target->processEvents(
            [this](const std::vector<std::string>& paths) { drops.push_back(paths); });
    }

    static kelvotest::XvfbServer* server;
    Display* display = nullptr;
    Window window = 0;
    std::unique_ptr<XdndDropTarget> target;
    using Drops = std::vector<std::vector<std::string>>;
    Drops drops;
};

kelvotest::XvfbServer* XdndDropTargetTest::server = nullptr;

// A drag onto the attached window's middle.
XdndTestSource::Drag dragOnto(const std::string& uriList,
                              std::vector<std::string> types = {"text/uri-list"}, int version = 5,
                              const char* action = "XdndActionCopy", unsigned incrChunk = 0)
{
    return XdndTestSource::Drag{200, 175, uriList, types, version, action, true, incrChunk};
}

} // namespace

// Attached to another window, the target leaves the first; drops then reach the new one.
TEST_F(XdndDropTargetTest, MovesToTheWindowAttachedLast)
{
    const Window replacement = createWindow(350, 250);
    target->attach(replacement);
    EXPECT_EQ(perform(dragOnto("file:///tmp/left.ive\r\n")).target, 0u) << "the first is left";
    const XdndTestSource::Outcome outcome =
        perform(XdndTestSource::Drag{450, 320, "file:///tmp/moved.ive\r\n"});
    EXPECT_EQ(outcome.target, replacement);
    EXPECT_EQ(outcome.finishedTarget, replacement);
    EXPECT_EQ(drops, Drops{{"/tmp/moved.ive"}});
}

// A uri list is accepted with copy, whatever the action asked and wherever it is among the types,
// and its local paths delivered once; the finished message speaks the source's version. A drag
// that leaves without dropping leaves nothing behind for the next.
TEST_F(XdndDropTargetTest, DropsAreAnsweredAndDeliveredAsTheSourceOffersThem)
{
    std::string longList;
    std::vector<std::string> longPaths;
    for (int i = 0; i < 3000; ++i) {
        longPaths.push_back("/data/survey/tile_" + std::to_string(i) + ".ive");
        longList += "file://" + longPaths.back() + "\r\n";
    }
    struct Case
    {
        const char* name;
        XdndTestSource::Drag drag;
        bool accepted, finishedAccepted;
        std::vector<std::string> paths;
        const char* info = nullptr;
    };
    const std::vector<std::string> uriList = {"text/uri-list"};
    const char* copy = "XdndActionCopy";
    const Case cases[] = {
        {"left without a drop",
         XdndTestSource::Drag{200, 175, "file:///tmp/hovered.ive\r\n", uriList, 5, copy, false},
         true, false, {}},
        {"no uri list", dragOnto("just text", {"text/plain", "UTF8_STRING"}), false, false, {}},
        {"long type list",
         dragOnto("file:///tmp/listed.ive\r\n", {"x-special/gnome-copied-files", "UTF8_STRING",
                                                 "text/plain", "STRING", "text/uri-list"}),
         true, true, {"/tmp/listed.ive"}},
        {"move", dragOnto("file:///tmp/moved.ive\r\n", uriList, 5, "XdndActionMove"), true, true,
         {"/tmp/moved.ive"}},
        {"version 3", dragOnto("file:///tmp/old.ive\r\n", uriList, 3), true, false,
         {"/tmp/old.ive"}},
        {"incremental", dragOnto(longList, uriList, 5, copy, 4096), true, true, longPaths},
        {"not a file", dragOnto("https://example.org/a.ive\r\n"), true, false, {},
         "Ignoring dropped URI https://example.org/a.ive: not a local file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        drops.clear();
        kelvotest::NotifyCapture notices;
        const XdndTestSource::Outcome outcome = perform(c.drag);
        EXPECT_TRUE(outcome.statusReceived);
        EXPECT_EQ(outcome.statusTarget, window);
        EXPECT_EQ(outcome.accepted, c.accepted);
        EXPECT_EQ(outcome.statusAction, c.accepted ? copy : "");
        const bool dropped = c.accepted && c.drag.drop;
        EXPECT_EQ(outcome.dataRequested, dropped);
        EXPECT_EQ(outcome.requestedType, dropped ? "text/uri-list" : "");
        EXPECT_EQ(outcome.finishedReceived, dropped);
        EXPECT_EQ(outcome.finishedAccepted, c.finishedAccepted);
        EXPECT_EQ(outcome.finishedAction, c.finishedAccepted ? copy : "");
        for (int i = 0; i < 20; ++i)
            service();
        EXPECT_EQ(drops, c.paths.empty() ? Drops{} : Drops{c.paths});
        if (c.info) {
            EXPECT_TRUE(notices.has(osg::INFO, c.info));
        }
    }
}
