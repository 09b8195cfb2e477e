#include "window/WindowController.h"

#include "window/DisplayScreen.h"
#include "window/RendererProbe.h"
#include "platform/x11/X11WindowState.h"
#include "platform/x11/X11WindowGeometry.h"
#include "util/HelpUsage.h"

#include <osg/GraphicsContext>
#include <osg/Notify>
#include <osgViewer/View>
#include <osgViewer/ViewerBase>

#include <string>

namespace osgKELVO {

namespace {

const int fullscreenKey = osgGA::GUIEventAdapter::KEY_F11;
const HelpUsage::Line fullscreenUsage{HelpUsage::FunctionKeys, 11, "F11", "Fullskärmsläge"};

const char* const noInterfaceOnToggle =
    "Error, no WindowSystemInterface available, cannot toggle window fullscreen.";

// Beyond this no graphics card draws a frame buffer, and X11 keeps sizes in 16 bits: a larger or a
// non-positive side would be wrapped or refused by X and crash the driver.
const int largestWindowSide = 16384;

bool usableSide(int side)
{
    return side >= 1 && side <= largestWindowSide;
}

// The settings a window can be created with: on a screen the display has, with a size it can draw.
WindowSettings usableSettings(const WindowSettings& requested)
{
    WindowSettings settings = requested;
    osg::GraphicsContext::WindowingSystemInterface* wsi = osg::GraphicsContext::getWindowingSystemInterface();
    const unsigned screens = wsi ? wsi->getNumScreens(DisplayScreen::identify(0)) : 0;
    if (screens > 0 && settings.screenNum >= screens) {
        osg::notify(osg::WARN) << "Screen " << settings.screenNum << " does not exist, opening the window on screen 0"
                               << std::endl;
        settings.screenNum = 0;
    }
    if (!settings.fullscreen && (!usableSide(settings.width) || !usableSide(settings.height))) {
        osg::notify(osg::WARN) << "Window size " << settings.width << " x " << settings.height
                               << " is not usable, opening 1024 x 768" << std::endl;
        settings.width = 1024;
        settings.height = 768;
    }
    return settings;
}

bool coversScreen(int x, int y, int width, int height, unsigned screenWidth, unsigned screenHeight)
{
    return x == 0 && y == 0 && width == static_cast<int>(screenWidth) &&
           height == static_cast<int>(screenHeight);
}

} // namespace

WindowController::WindowController(osg::Camera* camera)
    : camera(camera),
      fovy(60.0f),
      softwareDroppedSamples(0),
      maximizePending(false),
      haveLastLive(false)
{
}

WindowController::~WindowController() = default;

void WindowController::createWindow(const WindowSettings& requested)
{
    const WindowSettings usable = usableSettings(requested);
    unsigned screenWidth = 800;
    unsigned screenHeight = 600;
    if (!DisplayScreen::size(usable.screenNum, screenWidth, screenHeight))
        osg::notify(osg::WARN) << "Unable to get WindowingSystemInterface" << std::endl;

    osg::ref_ptr<osg::GraphicsContext::Traits> traits = new osg::GraphicsContext::Traits;
    // On X11 the display to open comes from DISPLAY; the screen is the configured one.
    traits->readDISPLAY();
    traits->screenNum = static_cast<int>(usable.screenNum);
    traits->x = usable.fullscreen ? 0 : usable.x;
    traits->y = usable.fullscreen ? 0 : usable.y;
    traits->width = usable.fullscreen ? static_cast<int>(screenWidth) : usable.width;
    traits->height = usable.fullscreen ? static_cast<int>(screenHeight) : usable.height;
    traits->windowDecoration = !usable.fullscreen;
    traits->doubleBuffer = true;
    traits->sharedContext = nullptr;
    traits->windowName = usable.title;
    traits->samples = usable.numSamples;
    traits->quadBufferStereo = usable.stereo;
    // Mesa's software rasterizer can spend minutes on one multisampled frame of a terrain seen from
    // some poses, freezing the viewer; there the window is single-sampled, and the configured
    // samples are still what F3 saves. The application lightens the rest and says so.
    softwareDroppedSamples = 0;
    softwareRenderer.clear();
    if (usable.adaptToSoftwareRenderer) {
        const std::string renderer = RendererProbe::name(usable.screenNum);
        if (RendererProbe::isSoftware(renderer)) {
            softwareRenderer = renderer;
            softwareDroppedSamples = traits->samples;
            traits->samples = 0;
        }
    }

    settings.x = usable.x;
    settings.y = usable.y;
    settings.width = usable.width;
    settings.height = usable.height;
    settings.screenNum = usable.screenNum;
    settings.stereo = usable.stereo;
    settings.adaptToSoftwareRenderer = usable.adaptToSoftwareRenderer;

    osg::ref_ptr<osg::GraphicsContext> context = osg::GraphicsContext::createGraphicsContext(traits.get());
    // A configuration saved on a machine with stereo or multisampling may meet a display without.
    if (!context && (traits->quadBufferStereo || traits->samples > 0)) {
        osg::ref_ptr<osg::GraphicsContext::Traits> plain = new osg::GraphicsContext::Traits(*traits);
        plain->quadBufferStereo = false;
        plain->samples = 0;
        context = osg::GraphicsContext::createGraphicsContext(plain.get());
        if (context) {
            osg::notify(osg::WARN) << "No window with" << (traits->quadBufferStereo ? " quad-buffered stereo" : "")
                                   << (traits->quadBufferStereo && traits->samples > 0 ? " and" : "")
                                   << (traits->samples > 0 ? " " + std::to_string(traits->samples) + " samples" : "")
                                   << " on this display, opening one without" << std::endl;
            traits = plain;
            settings.stereo = false;
        }
    }
    if (!context)
        osg::notify(osg::FATAL) << "Could not create graphics context" << std::endl;

    camera->setGraphicsContext(context.get());
    camera->setViewport(0, 0, traits->width, traits->height);
    if (traits->width > 0 && traits->height > 0)
        resize(traits->width, traits->height);

    if (usable.maximized) {
        osgViewer::GraphicsWindow* window = dynamic_cast<osgViewer::GraphicsWindow*>(context.get());
        // The window is not mapped yet: this becomes its initial state. The window manager may
        // still drop it, so it is asked again once the window is up (see handle).
        maximizePending = X11WindowState::requestMaximized(window);
    }
}

void WindowController::getWindowInfo(WindowSettings& info) const
{
    osgViewer::GraphicsWindow* window =
        dynamic_cast<osgViewer::GraphicsWindow*>(camera->getGraphicsContext());
    if (!window) {
        info = settings;
        return;
    }

    const osg::GraphicsContext::Traits* traits = window->getTraits();
    unsigned screenWidth = 0;
    unsigned screenHeight = 0;
    if (!DisplayScreen::size(traits ? static_cast<unsigned>(traits->screenNum) : 0, screenWidth, screenHeight)) {
        osg::notify(osg::NOTICE) << noInterfaceOnToggle << std::endl;
        return;
    }
    info.title = window->getWindowName();
    X11WindowGeometry::outerRectangle(window, info.x, info.y, info.width, info.height);
    info.fullscreen = coversScreen(info.x, info.y, info.width, info.height, screenWidth, screenHeight);
    info.maximized = X11WindowState::isMaximized(window);
    info.numSamples = softwareDroppedSamples ? softwareDroppedSamples : traits ? traits->samples : 0;
    info.screenNum = settings.screenNum;
    info.stereo = traits ? traits->quadBufferStereo : false;
    info.adaptToSoftwareRenderer = settings.adaptToSoftwareRenderer;
}

void WindowController::toggleFullscreen(osgViewer::GraphicsWindow* window)
{
    unsigned screenWidth = 0;
    unsigned screenHeight = 0;
    const osg::GraphicsContext::Traits* traits = window->getTraits();
    if (!DisplayScreen::size(traits ? static_cast<unsigned>(traits->screenNum) : 0, screenWidth, screenHeight)) {
        osg::notify(osg::NOTICE) << noInterfaceOnToggle << std::endl;
        return;
    }
    // The outer rectangle: what setWindowRectangle takes back, so the window returns to its place.
    int wx = 0, wy = 0, ww = 0, wh = 0;
    X11WindowGeometry::outerRectangle(window, wx, wy, ww, wh);
    if (coversScreen(wx, wy, ww, wh, screenWidth, screenHeight)) {
        window->setWindowDecoration(true);
        window->setWindowRectangle(settings.x, settings.y, settings.width, settings.height);
    } else {
        settings.x = wx;
        settings.y = wy;
        settings.width = ww;
        settings.height = wh;
        window->setWindowDecoration(false);
        window->setWindowRectangle(0, 0, static_cast<int>(screenWidth), static_cast<int>(screenHeight));
        if (settings.maximized)
            X11WindowState::requestMaximized(window);
    }
    window->grabFocusIfPointerInWindow();
}

void WindowController::resize(int newWidth, int newHeight)
{
    // A minimized window reports a zero size; keep the last valid projection until it comes back.
    if (newWidth <= 0 || newHeight <= 0)
        return;
    const float aspect = static_cast<float>(newWidth) / static_cast<float>(newHeight);
    camera->setViewport(0, 0, newWidth, newHeight);
    camera->setProjectionMatrixAsPerspective(fovy / aspect, aspect, 1.0, 100000.0);
}

void WindowController::rememberLiveWindow()
{
    osgViewer::GraphicsWindow* window = dynamic_cast<osgViewer::GraphicsWindow*>(camera->getGraphicsContext());
    if (!window || !window->isRealized() || !X11WindowState::isX11Window(window))
        return;
    getWindowInfo(lastLive);
    haveLastLive = true;
}

void WindowController::applyPendingMaximize()
{
    osgViewer::GraphicsWindow* window = dynamic_cast<osgViewer::GraphicsWindow*>(camera->getGraphicsContext());
    // A request sent before the window manager has taken the window on would be lost.
    if (!window || !window->isRealized() || !X11WindowState::isViewable(window))
        return;
    maximizePending = false;
    if (!X11WindowState::isMaximized(window))
        X11WindowState::requestMaximized(window);
}

bool WindowController::handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa)
{
    osgViewer::View* view = dynamic_cast<osgViewer::View*>(&aa);
    if (!view || !view->getViewerBase() || ea.getHandled())
        return false;

    if (maximizePending)
        applyPendingMaximize();

    switch (ea.getEventType()) {
    case osgGA::GUIEventAdapter::KEYDOWN:
        return handleKeyDown(ea, *view);
    case osgGA::GUIEventAdapter::RESIZE:
        return handleResize(ea);
    case osgGA::GUIEventAdapter::CLOSE_WINDOW:
        return handleCloseWindow();
    default:
        return false;
    }
}

void WindowController::getUsage(osg::ApplicationUsage& usage) const
{
    HelpUsage::declare(usage, fullscreenUsage);
}

bool WindowController::handleKeyDown(const osgGA::GUIEventAdapter& ea, osgViewer::View& view)
{
    if (ea.getKey() != fullscreenKey)
        return false;
    osgViewer::ViewerBase::Windows windows;
    view.getViewerBase()->getWindows(windows, true);
    for (osgViewer::GraphicsWindow* window : windows)
        toggleFullscreen(window);
    view.requestRedraw();
    return true;
}

bool WindowController::handleResize(const osgGA::GUIEventAdapter& ea)
{
    resize(ea.getWindowWidth(), ea.getWindowHeight());
    rememberLiveWindow();
    return false;
}

bool WindowController::handleCloseWindow()
{
    WindowSettings info;
    getWindowInfo(info);
    // The viewer closes the window before the handlers see this event; its last rectangle and
    // maximized state are then only known from the last move or resize.
    const osg::GraphicsContext* context = camera->getGraphicsContext();
    if (haveLastLive && (!context || !context->isRealized())) {
        info.x = lastLive.x;
        info.y = lastLive.y;
        info.width = lastLive.width;
        info.height = lastLive.height;
        info.maximized = lastLive.maximized;
        info.fullscreen = lastLive.fullscreen;
    }
    settings = info;
    return false;
}

} // namespace osgKELVO
