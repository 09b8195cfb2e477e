// The window controller in this process: projection on resize (also for a minimized window), F11
// as the one consumed event, the record kept when the window closes, and a failed creation.

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
#include <cmath>
#include <cstdlib>
#include <functional>
#include <thread>

using kelvotest::NotifyCapture;
using kelvotest::WindowProbe;
using kelvotest::XvfbServer;
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

osg::ref_ptr<Event> keyDown(int key)
{
    osg::ref_ptr<Event> event = new Event;
    event->setEventType(Event::KEYDOWN);
    event->setKey(key);
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

// A viewer with the window controller as its handler, on a private display with a window manager.
class RealWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.running());
        ::setenv("DISPLAY", server.display().c_str(), 1);
        viewer = new osgViewer::Viewer;
        viewer->setThreadingModel(osgViewer::ViewerBase::SingleThreaded);
        viewer->setSceneData(new osg::Group);
        controller = new WindowController(viewer->getCamera());
        viewer->addEventHandler(controller);
    }

    // Opens the window and waits until the window manager has framed it.
    ::testing::AssertionResult open(const WindowSettings& s)
    {
        controller->createWindow(s);
        if (!viewer->getCamera()->getGraphicsContext())
            return ::testing::AssertionFailure() << "no graphics context";
        viewer->realize();
        window = dynamic_cast<osgViewer::GraphicsWindowX11*>(viewer->getCamera()->getGraphicsContext());
        if (!viewer->isRealized() || !window)
            return ::testing::AssertionFailure() << "no X11 window";
        probe.reset(new WindowProbe(server.display()));
        if (!runUntil([&] { return probe->decorated(window->getWindow()); }))
            return ::testing::AssertionFailure() << "the window manager never framed the window";
        return ::testing::AssertionSuccess();
    }

    // Runs frames until the condition holds; false after ten seconds.
    bool runUntil(const std::function<bool()>& condition)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < end) {
            viewer->frame();
            if (condition())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    void TearDown() override
    {
        if (viewer.valid())
            viewer->setDone(true);
        viewer = nullptr;
    }

    XvfbServer server{1920, 1080, true};
    osg::ref_ptr<osgViewer::Viewer> viewer;
    osg::ref_ptr<WindowController> controller;
    osgViewer::GraphicsWindowX11* window = nullptr;
    std::unique_ptr<WindowProbe> probe;
};

} // namespace

// A wider window shows more on the sides, not less at the top: the vertical field of view shrinks
// as the aspect ratio grows, by as much as keeps fovy times aspect the same.
TEST(WindowControllerResize, FieldOfViewShrinksWithTheAspectRatio)
{
    osg::ref_ptr<osgViewer::Viewer> viewer = new osgViewer::Viewer;
    osg::ref_ptr<WindowController> controller = new WindowController(viewer->getCamera());
    osg::Camera* camera = viewer->getCamera();

    EXPECT_FALSE(controller->handle(*resizeEvent(1024, 768), *viewer));
    const Perspective reference = perspectiveOf(*camera);
    EXPECT_NEAR(reference.aspect, 4.0 / 3.0, 1e-6);
    for (const auto& size : {std::make_pair(1600, 900), std::make_pair(600, 1200)}) {
        controller->handle(*resizeEvent(size.first, size.second), *viewer);
        const Perspective p = perspectiveOf(*camera);
        EXPECT_NEAR(p.aspect, double(size.first) / size.second, 1e-6);
        EXPECT_NEAR(p.fovy * p.aspect, reference.fovy * reference.aspect, 1e-4);
        EXPECT_EQ(p.zNear, reference.zNear);
        EXPECT_EQ(p.zFar, reference.zFar);
        ASSERT_TRUE(camera->getViewport());
        EXPECT_EQ(camera->getViewport()->width(), size.first);
        EXPECT_EQ(camera->getViewport()->height(), size.second);
    }
}

TEST(WindowControllerResize, MinimizedWindowKeepsTheLastProjectionUntilTheNextResize)
{
    osg::ref_ptr<osgViewer::Viewer> viewer = new osgViewer::Viewer;
    osg::ref_ptr<WindowController> controller = new WindowController(viewer->getCamera());
    osg::Camera* camera = viewer->getCamera();

    controller->handle(*resizeEvent(1600, 900), *viewer);
    const osg::Matrixd projection = camera->getProjectionMatrix();
    for (const auto& size : {std::make_pair(0, 0), std::make_pair(1600, 0), std::make_pair(0, 900)}) {
        EXPECT_FALSE(controller->handle(*resizeEvent(size.first, size.second), *viewer));
        EXPECT_TRUE(camera->getProjectionMatrix() == projection) << size.first << " x " << size.second;
        for (int i = 0; i < 16; ++i)
            EXPECT_TRUE(std::isfinite(camera->getProjectionMatrix().ptr()[i]));
        EXPECT_EQ(camera->getViewport()->width(), 1600);
        EXPECT_EQ(camera->getViewport()->height(), 900);
    }
    controller->handle(*resizeEvent(800, 600), *viewer);
    EXPECT_NEAR(perspectiveOf(*camera).fovy, 45.0, 1e-4);
    EXPECT_EQ(camera->getViewport()->width(), 800);
}

TEST(WindowControllerResize, IgnoresEventsOutsideAViewerAndEventsAlreadyHandled)
{
    osg::ref_ptr<osgViewer::Viewer> viewer = new osgViewer::Viewer;
    osg::ref_ptr<WindowController> controller = new WindowController(viewer->getCamera());
    osg::Camera* camera = viewer->getCamera();
    controller->handle(*resizeEvent(800, 600), *viewer);

    osg::ref_ptr<Event> handled = resizeEvent(1600, 900);
    handled->setHandled(true);
    EXPECT_FALSE(controller->handle(*handled, *viewer));
    EXPECT_NEAR(perspectiveOf(*camera).fovy, 45.0, 1e-4);

    // A view that belongs to no viewer.
    osg::ref_ptr<osgViewer::View> loneView = new osgViewer::View;
    EXPECT_FALSE(controller->handle(*resizeEvent(1600, 900), *loneView));
    EXPECT_NEAR(perspectiveOf(*camera).fovy, 45.0, 1e-4);
}

TEST(WindowControllerCreation, FailedContextIsReportedAndTheRequestIsRemembered)
{
    ::setenv("DISPLAY", ":65000", 1);
    osg::ref_ptr<osg::Camera> camera = new osg::Camera;
    osg::ref_ptr<WindowController> controller = new WindowController(camera);
    WindowSettings s = settings(30, 40, 500, 300);
    s.screenNum = 0;
    s.numSamples = 8;
    s.stereo = true;
    s.maximized = true;
    {
        NotifyCapture notices;
        controller->createWindow(s);
        EXPECT_TRUE(notices.has(osg::FATAL, "Could not create graphics context"));
    }
    EXPECT_FALSE(camera->getGraphicsContext());

    WindowSettings info;
    info.title = "untouched";
    controller->getWindowInfo(info);
    // Without a window the members answer: the rectangle, screen and stereo as requested; the
    // title, maximized state and samples are recorded only when a window closes.
    EXPECT_EQ(info.title, "");
    EXPECT_EQ(info.x, 30);
    EXPECT_EQ(info.y, 40);
    EXPECT_EQ(info.width, 500);
    EXPECT_EQ(info.height, 300);
    EXPECT_TRUE(info.stereo);
    EXPECT_FALSE(info.maximized);
    EXPECT_FALSE(info.fullscreen);
    EXPECT_EQ(info.numSamples, 0u);
}

TEST_F(RealWindowTest, ResizingTheRealWindowNarrowsTheVerticalFieldOfView)
{
    ASSERT_TRUE(open(settings(50, 40, 800, 600)));
    const double before = perspectiveOf(*viewer->getCamera()).fovy;

    probe->resize(window->getWindow(), 1600, 900);
    ASSERT_TRUE(runUntil([&] { return viewer->getCamera()->getViewport()->width() == 1600; }));
    EXPECT_EQ(viewer->getCamera()->getViewport()->height(), 900);
    EXPECT_LT(perspectiveOf(*viewer->getCamera()).fovy, before);
}

TEST_F(RealWindowTest, F11IsConsumedAndTogglesEveryWindow)
{
    ASSERT_TRUE(open(settings(60, 50, 640, 480)));
    int screenWidth = 0, screenHeight = 0;
    probe->screenSize(screenWidth, screenHeight);

    EXPECT_FALSE(controller->handle(*keyDown(Event::KEY_F10), *viewer));
    osg::ref_ptr<Event> handledF11 = keyDown(Event::KEY_F11);
    handledF11->setHandled(true);
    EXPECT_FALSE(controller->handle(*handledF11, *viewer));

    EXPECT_TRUE(controller->handle(*keyDown(Event::KEY_F11), *viewer));
    const WindowProbe::Rectangle screen{0, 0, screenWidth, screenHeight};
    ASSERT_TRUE(runUntil([&] { return probe->client(window->getWindow()) == screen; }))
        << probe->client(window->getWindow());
    EXPECT_FALSE(probe->decorated(window->getWindow()));

    EXPECT_TRUE(controller->handle(*keyDown(Event::KEY_F11), *viewer));
    const WindowProbe::Rectangle configured{60, 50, 640, 480};
    ASSERT_TRUE(runUntil([&] { return probe->outer(window->getWindow()) == configured; }))
        << probe->outer(window->getWindow());
    EXPECT_TRUE(probe->decorated(window->getWindow()));
}

TEST_F(RealWindowTest, ClosingTheWindowRecordsItsLastState)
{
    WindowSettings s = settings(70, 60, 640, 480);
    s.numSamples = 0;
    ASSERT_TRUE(open(s));
    const int xBefore = window->getTraits()->x, yBefore = window->getTraits()->y;
    probe->move(window->getWindow(), 210, 140);
    const WindowProbe::Rectangle moved{210, 140, 640, 480};
    ASSERT_TRUE(runUntil([&] { return probe->outer(window->getWindow()) == moved; }));
    // The window takes the move into its traits in the frame whose handlers see its resize event.
    ASSERT_TRUE(runUntil([&] { return window->getTraits()->x != xBefore && window->getTraits()->y != yBefore; }));

    window->getEventQueue()->closeWindow();
    viewer->frame();

    // Once the camera has no window any more, the recorded members answer.
    viewer->getCamera()->setGraphicsContext(nullptr);
    WindowSettings info;
    controller->getWindowInfo(info);
    EXPECT_EQ(info.title, "KELVOview controller test");
    EXPECT_EQ(info.x, 210);
    EXPECT_EQ(info.y, 140);
    EXPECT_EQ(info.width, 640);
    EXPECT_EQ(info.height, 480);
    EXPECT_FALSE(info.fullscreen);
    EXPECT_FALSE(info.maximized);
    EXPECT_FALSE(info.stereo);
}

TEST_F(RealWindowTest, MaximizedRequestIsAppliedOnceTheWindowIsUpAndReportedBack)
{
    WindowSettings s = settings(80, 70, 500, 400);
    s.maximized = true;
    ASSERT_TRUE(open(s));
    ASSERT_TRUE(runUntil([&] {
        return probe->hasState(window->getWindow(), "_NET_WM_STATE_MAXIMIZED_VERT") &&
               probe->hasState(window->getWindow(), "_NET_WM_STATE_MAXIMIZED_HORZ");
    }));
    int screenWidth = 0, screenHeight = 0;
    probe->screenSize(screenWidth, screenHeight);
    ASSERT_TRUE(runUntil([&] { return probe->client(window->getWindow()).width == screenWidth; }));

    WindowSettings info;
    controller->getWindowInfo(info);
    EXPECT_TRUE(info.maximized);
    const WindowProbe::Rectangle outer = probe->outer(window->getWindow());
    EXPECT_EQ(info.x, outer.x);
    EXPECT_EQ(info.y, outer.y);
    EXPECT_EQ(info.width, outer.width);
    EXPECT_EQ(info.height, outer.height);
    EXPECT_GT(info.height, screenHeight / 2);
}

// Xvfb draws with llvmpipe, whose multisampled rasterization of some terrain frames never ends: the
// window goes without samples there, and the configured samples are what F3 saves.
TEST_F(RealWindowTest, SoftwareRendererGetsASingleSampledWindowAndKeepsTheConfiguredSamples)
{
    WindowSettings s = settings(40, 30, 320, 240);
    s.numSamples = 4;
    NotifyCapture notices;
    ASSERT_TRUE(open(s));
    bool noticed = false;
    for (const auto& line : notices.lines())
        noticed = noticed || (line.first == osg::NOTICE && line.second.rfind("Software renderer llvmpipe", 0) == 0 &&
                              line.second.find(": drawing without multisampling") != std::string::npos);
    EXPECT_TRUE(noticed) << notices.dump();

    ASSERT_TRUE(window->makeCurrent());
    GLint samples = -1;
    glGetIntegerv(GL_SAMPLES, &samples);
    window->releaseContext();
    EXPECT_EQ(samples, 0);

    WindowSettings info;
    controller->getWindowInfo(info);
    EXPECT_EQ(info.numSamples, 4u);
}

TEST(RendererProbe, OnlyProcessorRenderersCountAsSoftware)
{
    EXPECT_TRUE(osgKELVO::RendererProbe::isSoftware("llvmpipe (LLVM 15.0.6, 256 bits)"));
    EXPECT_TRUE(osgKELVO::RendererProbe::isSoftware("softpipe"));
    EXPECT_TRUE(osgKELVO::RendererProbe::isSoftware("Mesa X11 Software Rasterizer"));
    // Hardware drivers may name the compiler they use.
    EXPECT_FALSE(osgKELVO::RendererProbe::isSoftware("AMD Radeon RX 7900 XTX (radeonsi, navi31, LLVM 15.0.7, DRM 3.54)"));
    EXPECT_FALSE(osgKELVO::RendererProbe::isSoftware("NVIDIA H100 80GB HBM3/PCIe/SSE2"));
    EXPECT_FALSE(osgKELVO::RendererProbe::isSoftware(""));
}
