#include "hud/OverlayController.h"

#include "hud/CompassNode.h"
#include "hud/CompassUpdateCallback.h"
#include "hud/CoordinateReadout.h"
#include "hud/CoordinateUpdateCallback.h"
#include "hud/HeadUpDisplayCamera.h"
#include "hud/HelpText.h"
#include "hud/NinePiecePanel.h"
#include "hud/PickWorldPoint.h"
#include "hud/StatusText.h"
#include "util/HelpUsage.h"

#include <osg/BlendFunc>
#include <osg/DrawPixels>
#include <osg/Notify>
#include <osg/Switch>
#include <osgDB/ReadFile>
#include <osgDB/Registry>
#include <osgViewer/GraphicsWindow>
#include <osgViewer/View>
#include <osgViewer/ViewerBase>

#include <algorithm>

namespace osgKELVO {

namespace {

// The keys this controller owns, each beside its line in the help panel.
const int toggleHelpKey = osgGA::GUIEventAdapter::KEY_F1;
const HelpUsage::Line toggleHelpUsage{HelpUsage::FunctionKeys, 1, "F1", "Visa den här hjälpen"};
const int pickKey = 'm';
const HelpUsage::Line pickUsage{HelpUsage::Scene, 3, "M", "Visa koordinater under markören"};

const osg::Vec4f white(1.0f, 1.0f, 1.0f, 1.0f);

// Gap between the window's edges and the items, and between items.
const int margin = 8;
const int readoutWidth = 200, readoutHeight = 90;
// The readout's text starts this far from the window's left and bottom edges.
const int readoutBaseline = 24;

osg::ref_ptr<osg::Image> readImage(const std::string& fileName)
{
    return osgDB::readRefImageFile(fileName, osgDB::Registry::instance()->getOptions());
}

osg::ref_ptr<osg::MatrixTransform> transformOf(osg::Node* child)
{
    osg::ref_ptr<osg::MatrixTransform> transform = new osg::MatrixTransform;
    transform->addChild(child);
    return transform;
}

osg::Group* panelOf(osg::MatrixTransform* transform)
{
    return transform && transform->getNumChildren() ? transform->getChild(0)->asGroup() : nullptr;
}

} // namespace

OverlayController::OverlayController(osg::Group* overlayRoot, osg::Camera* mainCamera)
    : initialized(false),
      overlayRoot(overlayRoot),
      mainCamera(mainCamera),
      compassSize(0),
      logoWidth(0), logoHeight(0),
      legendWidth(0), legendHeight(0),
      helpWidth(800), helpHeight(500),
      windowWidth(0), windowHeight(0),
      pickActive(false)
{
}

OverlayController::~OverlayController() = default;

bool OverlayController::handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa)
{
    osgViewer::View* view = dynamic_cast<osgViewer::View*>(&aa);
    if (!initialized)
        build(view);

    if (!hudCamera || !dynamic_cast<osgViewer::GraphicsWindow*>(hudCamera->getGraphicsContext()))
        return false;

    switch (ea.getEventType()) {
    case osgGA::GUIEventAdapter::MOVE:
        return handleMouseMove(ea, view);
    case osgGA::GUIEventAdapter::KEYDOWN:
        return handleKeyDown(ea);
    case osgGA::GUIEventAdapter::KEYUP:
        return handleKeyUp(ea);
    case osgGA::GUIEventAdapter::RESIZE:
        return handleResize();
    default:
        return false;
    }
}

void OverlayController::getUsage(osg::ApplicationUsage& usage) const
{
    HelpUsage::declare(usage, pickUsage);
    HelpUsage::declare(usage, toggleHelpUsage);
}

bool OverlayController::handleMouseMove(const osgGA::GUIEventAdapter& ea, osgViewer::View* view)
{
    if (pickActive)
        pick(ea, view);
    return false;
}

bool OverlayController::handleKeyDown(const osgGA::GUIEventAdapter& ea)
{
    if (ea.getKey() == toggleHelpKey)
        toggleHelp();
    else if (ea.getKey() == pickKey)
        pickActive = true;
    return false;
}

bool OverlayController::handleKeyUp(const osgGA::GUIEventAdapter& ea)
{
    if (ea.getKey() == pickKey)
        pickActive = false;
    return false;
}

bool OverlayController::handleResize()
{
    // The traits hold the size the window really has once the resize is done.
    if (const osg::GraphicsContext::Traits* traits = hudCamera->getGraphicsContext()->getTraits())
        layout(traits->width, traits->height);
    return false;
}

bool OverlayController::build(osgViewer::View* view)
{
    // Without a window there is nothing to draw into yet; the next event tries again.
    if (!view || !view->getViewerBase())
        return false;
    osgViewer::ViewerBase::Windows windows;
    view->getViewerBase()->getWindows(windows, true);
    if (windows.empty())
        return false;
    osgViewer::GraphicsWindow* window = windows[0];

    hudCamera = new HeadUpDisplayCamera;
    osg::StateSet* stateSet = hudCamera->getOrCreateStateSet();
    // The planar reflection clips the scene with plane 0; the display must never be clipped.
    stateSet->setMode(GL_CLIP_PLANE0, osg::StateAttribute::OFF | osg::StateAttribute::PROTECTED);
    // Panels, images and the compass carry alpha; blend it over the scene.
    stateSet->setAttribute(new osg::BlendFunc(osg::BlendFunc::SRC_ALPHA, osg::BlendFunc::ONE_MINUS_SRC_ALPHA));
    hudCamera->setProjectionResizePolicy(osg::Camera::FIXED);
    hudCamera->setGraphicsContext(window);
    hudCamera->setRenderOrder(osg::Camera::POST_RENDER, 10);
    hudCamera->setReferenceFrame(osg::Transform::ABSOLUTE_RF);
    hudCamera->setViewMatrix(osg::Matrix::identity());
    hudCamera->setClearMask(GL_DEPTH_BUFFER_BIT);

    addCoordinates();
    addStatus();
    addCompass();
    addLogo();
    addLegend();
    addHelp(view);

    overlayRoot->addChild(hudCamera);
    const osg::GraphicsContext::Traits* traits = window->getTraits();
    layout(traits ? traits->width : 0, traits ? traits->height : 0);
    initialized = true;
    return true;
}

void OverlayController::addCoordinates()
{
    osg::ref_ptr<osg::Geode> text = CoordinateReadout::createTextGeode();
    if (!text)
        return;
    coordinatesPanelTransform = transformOf(createPanel(32, 32, white));
    hudCamera->addChild(coordinatesPanelTransform);
    text->setUpdateCallback(
        new CoordinateUpdateCallback(mainCamera, settings.useGeoCoords, settings.offset, this));
    coordinatesTextTransform = transformOf(text);
    hudCamera->addChild(coordinatesTextTransform);
}

void OverlayController::addStatus()
{
    if (!statusLine)
        return;
    if (osg::ref_ptr<osg::Geode> text = StatusText::createGeode(statusLine)) {
        statusTransform = transformOf(text);
        hudCamera->addChild(statusTransform);
    }
}

void OverlayController::addCompass()
{
    osg::ref_ptr<osg::Geode> compass = CompassNode::create(compassSize);
    if (!compass)
        return;
    compass->setUpdateCallback(new CompassUpdateCallback(mainCamera));
    compassTransform = transformOf(compass);
    hudCamera->addChild(compassTransform);
}

void OverlayController::addLogo()
{
    osg::ref_ptr<osg::Image> light = readImage("../Resources/Images/Logo_light.png");
    osg::ref_ptr<osg::Image> dark = readImage("../Resources/Images/Logo_dark.png");
    if (!light || !dark) {
        osg::notify(osg::INFO)
            << "Error loading logo images, check existance of Logo_light and Logo_dark in /Images" << std::endl;
        return;
    }
    logoWidth = light->s();
    logoHeight = light->t();
    osg::ref_ptr<osg::Switch> logo = new osg::Switch;
    logo->addChild(createImageNode(light), true);
    logo->addChild(createImageNode(dark), false);
    logoTransform = transformOf(logo);
    hudCamera->addChild(logoTransform);
}

void OverlayController::addLegend()
{
    osg::ref_ptr<osg::Image> image = readImage("../Resources/Images/Legend.png");
    if (!image) {
        osg::notify(osg::INFO) << "No legend image found" << std::endl;
        return;
    }
    legendWidth = image->s();
    legendHeight = image->t();
    legendTransform = transformOf(createImageNode(image));
    hudCamera->addChild(legendTransform);
}

void OverlayController::addHelp(osgViewer::View* view)
{
    // The panel lists what the view's handlers declare, in the order they receive events.
    osg::ref_ptr<HelpUsage> usage = new HelpUsage;
    for (const osg::ref_ptr<osgGA::EventHandler>& handler : view->getEventHandlers())
        handler->getUsage(*usage);
    if (const osgGA::CameraManipulator* manipulator = view->getCameraManipulator())
        manipulator->getUsage(*usage);

    osg::ref_ptr<osg::Geode> text = HelpText::createGeode(usage->getLines(), toggleHelpUsage.keys);
    if (!text)
        return;
    helpPanelTransform = transformOf(createPanel(32, 32, white));
    hudCamera->addChild(helpPanelTransform);
    helpTextTransform = transformOf(text);
    hudCamera->addChild(helpTextTransform);
}

void OverlayController::layout(int width, int height)
{
    windowWidth = width;
    windowHeight = height;
    if (!hudCamera)
        return;
    hudCamera->setViewport(0, 0, width, height);
    hudCamera->setProjectionMatrixAsOrtho2D(0.0, width, 0.0, height);

    if (coordinatesPanelTransform) {
        coordinatesPanelTransform->setMatrix(osg::Matrix::translate(margin, margin, 0.0));
        resizePanel(panelOf(coordinatesPanelTransform), readoutWidth, readoutHeight);
        coordinatesTextTransform->setMatrix(
            osg::Matrix::translate(readoutBaseline, readoutBaseline, 0.0));
    }
    if (statusTransform) {
        // On the readout's last baseline, right of it.
        const int left = coordinatesPanelTransform ? 2 * margin + readoutWidth : margin;
        statusTransform->setMatrix(osg::Matrix::translate(left, readoutBaseline, 0.0));
        StatusText::setWidth(statusTransform->getChild(0)->asGeode(), width - left - margin);
    }
    if (helpPanelTransform)
        placeHelp(width, height);
    if (compassTransform) {
        const int h = compassSize / 2;
        compassTransform->setMatrix(osg::Matrix::translate(h + margin, height - margin - h, 0.0));
    }
    if (logoTransform) {
        chooseLogo();
        logoTransform->setMatrix(osg::Matrix::translate(width - logoWidth - 16, height - logoHeight - 8, 0.0));
    }
    if (legendTransform)
        legendTransform->setMatrix(osg::Matrix::translate(8.0, height / 2 - legendHeight / 2, 0.0));
}

void OverlayController::placeHelp(int width, int height)
{
    // The help keeps clear of the column at the left edge (compass, legend, readout) and of the
    // logo; centred in the window where that room allows, shrunk as a whole where it does not.
    int left = margin;
    if (compassTransform)
        left = std::max(left, 2 * margin + compassSize);
    if (legendTransform)
        left = std::max(left, 2 * margin + legendWidth);
    if (coordinatesPanelTransform)
        left = std::max(left, 2 * margin + readoutWidth);
    const int right = width - margin;
    const int bottom = margin;
    const int top = logoTransform ? height - logoHeight - 2 * margin : height - margin;
    const double scale = std::max(
        0.0, std::min({1.0, double(right - left) / helpWidth, double(top - bottom) / helpHeight}));
    // The panel builder refuses less than 32 pixels; no window from 640 x 480 up comes near it.
    const int w = std::max(32, int(helpWidth * scale));
    const int h = std::max(32, int(helpHeight * scale));
    const int x = std::max(left, std::min(width / 2 - w / 2, right - w));
    const int y = std::max(bottom, std::min(height / 2 - h / 2, top - h));
    helpPanelTransform->setMatrix(osg::Matrix::translate(x, y, 0.0));
    resizePanel(panelOf(helpPanelTransform), w, h);
    // The text hangs from the panel's top left corner and shrinks with it.
    helpTextTransform->setMatrix(osg::Matrix::scale(scale, scale, 1.0) *
                                 osg::Matrix::translate(x, y + h, 0.0));
}

void OverlayController::chooseLogo()
{
    osg::Switch* logo = logoTransform->getNumChildren() ? logoTransform->getChild(0)->asSwitch() : nullptr;
    if (!logo || logo->getNumChildren() < 2)
        return;
    const osg::Vec4f& c = mainCamera->getClearColor();
    const float luminance = 0.2989f * c.r() + 0.587f * c.g() + 0.114f * c.b();
    const bool bright = luminance >= 0.5f;
    // The light logo is drawn for bright backgrounds, the dark one for dark backgrounds.
    logo->setValue(0, bright);
    logo->setValue(1, !bright);
}

void OverlayController::toggleHelp()
{
    if (!helpPanelTransform || !helpTextTransform)
        return;
    const osg::Node::NodeMask mask = helpPanelTransform->getNodeMask() == 0 ? 1 : 0;
    helpPanelTransform->setNodeMask(mask);
    helpTextTransform->setNodeMask(mask);
}

void OverlayController::pick(const osgGA::GUIEventAdapter& ea, osgViewer::View* view)
{
    if (!coordinatesTextTransform || !coordinatesTextTransform->getNumChildren())
        return;
    // The intersector works in window pixels with y up, as the viewer delivers pointer events.
    float y = ea.getY();
    if (ea.getMouseYOrientation() == osgGA::GUIEventAdapter::Y_INCREASING_DOWNWARDS)
        y = ea.getYmax() - (y - ea.getYmin());
    osg::Vec3f point;
    if (pickWorldPoint(view, ea.getX(), y, point))
        CoordinateReadout::writeLines(coordinatesTextTransform->getChild(0)->asGeode(), point,
                                      settings.useGeoCoords, settings.offset);
}

osg::ref_ptr<osg::Group> OverlayController::createPanel(int width, int height, const osg::Vec4f& color)
{
    return NinePiecePanel::create(width, height, color);
}

void OverlayController::resizePanel(osg::Group* panel, int width, int height)
{
    NinePiecePanel::resize(panel, width, height);
}

osg::ref_ptr<osg::Geode> OverlayController::createImageNode(osg::Image* image)
{
    osg::ref_ptr<osg::DrawPixels> pixels = new osg::DrawPixels;
    pixels->setPosition(osg::Vec3(0.0f, 0.0f, 0.0f));
    pixels->setImage(image);
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(pixels);
    osg::StateSet* stateSet = geode->getOrCreateStateSet();
    stateSet->setMode(GL_BLEND, osg::StateAttribute::ON);
    stateSet->setMode(GL_LIGHTING, osg::StateAttribute::OFF | osg::StateAttribute::PROTECTED);
    stateSet->setRenderingHint(osg::StateSet::TRANSPARENT_BIN);
    return geode;
}

} // namespace osgKELVO
