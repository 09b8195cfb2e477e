// The window controller in this process.

#include <gtest/gtest.h>

#include "NotifyCapture.h"
#include "window/RendererProbe.h"
#include "window/WindowController.h"
#include "WindowProbe.h"
#include "XvfbServer.h"

#include <osg/Group>
#include <osgViewer/Viewer>
// Last: the X11 headers define macros (None, Bool) that clash with names above.
#include <osgViewer/api/X11/GraphicsWindowX11>

#include <chrono>
#include <cstdlib>
#include <thread>

using kelvotest::NotifyCapture;
using kelvotest::WindowProbe;
using osgKELVO::WindowController;
using osgKELVO::WindowSettings;
using Event = osgGA::GUIEventAdapter;

namespace {

struct Perspective
{
    double fovy = 0, aspect = 0, zNear = 0, zFar = 0;
};

Perspective perspectiveOf(const osg::Camera& camera)
{
    Perspective p;
    EXPECT_TRUE(camera.getProjectionMatrixAsPerspective(p.fovy, p.aspect, p.zNear, p.zFar));
    return p;
}

osg::ref_ptr<Event> resizeEvent(int width, int height)
{
    osg::ref_ptr<Event> event = new Event;
    event->setEventType(Event::RESIZE);
    event->setWindowRectangle(0, 0, width, height);
    return event;
}

WindowSettings settings(int x, int y, int width, int height)
{
    WindowSettings s;
    s.title = "KELVOview controller test";
    s.x = x;
    s.y = y;
    s.width = width;
    s.height = height;
    s.numSamples = 0;
    return s;
}

// Points DISPLAY elsewhere while it lives.
struct DisplayOverride
{
    explicit DisplayOverride(const std::string& display)
        : previous(std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "")
    {
        ::setenv("DISPLAY", display.c_str(), 1);
    }
    ~DisplayOverride() { ::setenv("DISPLAY", previous.c_str(), 1); }
    const std::string previous;
};

} // namespace

// A wider window shows more on the sides, not less at the top: fovy times aspect stays the same.
// A minimized window (a side of 0) keeps the last projection and viewport.
TEST(WindowControllerResize, FieldOfViewFollowsTheAspectRatioAndAnEmptyWindowChangesNothing)
{
    osg::ref_ptr<osgViewer::Viewer> viewer = new osgViewer::Viewer;
    osg::ref_ptr<WindowController> controller = new WindowController(viewer->getCamera());
    osg::Camera* camera = viewer->getCamera();
    EXPECT_FALSE(controller->handle(*resizeEvent(800, 600), *viewer));
    const Perspective reference = perspectiveOf(*camera);
    struct Case { int width, height, shownWidth, shownHeight; };
    const Case cases[] = {{1600, 900, 1600, 900}, {0, 0, 1600, 900},     {1600, 0, 1600, 900},
                          {0, 900, 1600, 900},    {600, 1200, 600, 1200}, {800, 600, 800, 600}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        EXPECT_FALSE(controller->handle(*resizeEvent(c.width, c.height), *viewer));
        const Perspective p = perspectiveOf(*camera);
        EXPECT_NEAR(p.aspect, double(c.shownWidth) / c.shownHeight, 1e-6);
        EXPECT_NEAR(p.fovy * p.aspect, reference.fovy * reference.aspect, 1e-4);
        EXPECT_EQ(p.zNear, reference.zNear);
        EXPECT_EQ(p.zFar, reference.zFar);
        ASSERT_TRUE(camera->getViewport());
        EXPECT_EQ(camera->getViewport()->width(), c.shownWidth);
        EXPECT_EQ(camera->getViewport()->height(), c.shownHeight);
    }
    // Events already handled, and events from a view outside a viewer, are ignored.
    osg::ref_ptr<Event> handled = resizeEvent(1600, 900);
    handled->setHandled(true);
    EXPECT_FALSE(controller->handle(*handled, *viewer));
    osg::ref_ptr<osgViewer::View> loneView = new osgViewer::View;
    EXPECT_FALSE(controller->handle(*resizeEvent(1600, 900), *loneView));
    EXPECT_EQ(camera->getViewport()->width(), 800);
}

TEST(WindowControllerCreation, FailedContextIsReportedAndTheRequestIsRemembered)
{
    DisplayOverride nowhere(":65000");
    osg::ref_ptr<osg::Camera> camera = new osg::Camera;
    osg::ref_ptr<WindowController> controller = new WindowController(camera);
    NotifyCapture notices;
    controller->createWindow(settings(30, 40, 500, 300));
    EXPECT_TRUE(notices.has(osg::FATAL, "Could not create graphics context"));
    EXPECT_FALSE(camera->getGraphicsContext());
    WindowSettings info;
    controller->getWindowInfo(info);
    EXPECT_EQ((WindowProbe::Rectangle{info.x, info.y, info.width, info.height}),
              (WindowProbe::Rectangle{30, 40, 500, 300}));
}

// Maximized in the configuration: asked of the window manager once the window is up, and what the
// window then is, maximized and its frame's rectangle, is reported back for saving.
TEST(RealWindowTest, MaximizedRequestIsAppliedOnceTheWindowIsUpAndReportedBack)
{
    kelvotest::XvfbServer server{1920, 1080, true};
    ASSERT_TRUE(server.running());
    DisplayOverride display(server.display());
    osg::ref_ptr<osgViewer::Viewer> viewer = new osgViewer::Viewer;
    viewer->setThreadingModel(osgViewer::ViewerBase::SingleThreaded);
    viewer->setSceneData(new osg::Group);
    osg::ref_ptr<WindowController> controller = new WindowController(viewer->getCamera());
    viewer->addEventHandler(controller);
    WindowSettings s = settings(80, 70, 500, 400);
    s.maximized = true;
    controller->createWindow(s);
    viewer->realize();
    auto* window =
        dynamic_cast<osgViewer::GraphicsWindowX11*>(viewer->getCamera()->getGraphicsContext());
    ASSERT_TRUE(viewer->isRealized() && window);
    WindowProbe probe(server.display());
    // Frames until the window manager has maximized the window, ten seconds at most.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    bool maximized = false;
    while (!maximized && std::chrono::steady_clock::now() < end) {
        viewer->frame();
        maximized = probe.hasState(window->getWindow(), "_NET_WM_STATE_MAXIMIZED_VERT") &&
                    probe.hasState(window->getWindow(), "_NET_WM_STATE_MAXIMIZED_HORZ") &&
                    probe.client(window->getWindow()).width == 1920;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(maximized);
    WindowSettings info;
    controller->getWindowInfo(info);
    EXPECT_TRUE(info.maximized);
    EXPECT_EQ((WindowProbe::Rectangle{info.x, info.y, info.width, info.height}),
              probe.outer(window->getWindow()));
    EXPECT_GT(info.height, 1080 / 2);
}

// Software renderers (Xvfb's llvmpipe) get single-sampled windows: SeaSession draws the shipped
// terrain, which would freeze with samples there, and the written-back file keeps its samples.
TEST(RendererProbe, OnlyProcessorRenderersCountAsSoftware)
{
    for (const char* software :
         {"llvmpipe (LLVM 15.0.6, 256 bits)", "softpipe", "Mesa X11 Software Rasterizer"})
        EXPECT_TRUE(osgKELVO::RendererProbe::isSoftware(software)) << software;
    // Hardware drivers may name the compiler they use.
    for (const char* hardware :
         {"AMD Radeon RX 7900 XTX (radeonsi, navi31, LLVM 15.0.7, DRM 3.54)",
          "NVIDIA H100 80GB HBM3/PCIe/SSE2", ""})
        EXPECT_FALSE(osgKELVO::RendererProbe::isSoftware(hardware)) << hardware;
}
