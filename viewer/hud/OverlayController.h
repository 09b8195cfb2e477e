#pragma once

#include "hud/OverlaySettings.h"
#include "util/StatusLine.h"

#include <osg/Camera>
#include <osg/Geode>
#include <osg/Group>
#include <osg/Image>
#include <osg/MatrixTransform>
#include <osg/Vec3f>
#include <osg/Vec4f>
#include <osgGA/GUIEventHandler>

namespace osgViewer {
class View;
}

namespace osgKELVO {

// The head-up display: help panel, legend, logo, compass, coordinate readout and a status line
// beside it, drawn by a camera that renders after the scene in window pixel coordinates. Built at
// the first event, laid out again on every resize, the help panel where it meets none of the others.
class OverlayController : public osgGA::GUIEventHandler
{
public:
    OverlayController(osg::Group* overlayRoot, osg::Camera* mainCamera);

    bool handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa) override;
    void getUsage(osg::ApplicationUsage& usage) const override;

    // Places every item for a window of the given size in pixels.
    void layout(int width, int height);

    static osg::ref_ptr<osg::Group> createPanel(int width, int height, const osg::Vec4f& color);
    static void resizePanel(osg::Group* panel, int width, int height);
    // Draws an image unscaled with its lower left corner at the local origin.
    static osg::ref_ptr<osg::Geode> createImageNode(osg::Image* image);

    const OverlaySettings& getSettings() const { return settings; }
    void setSettings(const OverlaySettings& value) { settings = value; }
    bool getUseGeoCoords() const { return settings.useGeoCoords; }
    void setUseGeoCoords(bool value) { settings.useGeoCoords = value; }
    const osg::Vec3f& getOffset() const { return settings.offset; }
    void setOffset(const osg::Vec3f& value) { settings.offset = value; }
    // What the status line shows; set before the first event.
    void setStatusLine(StatusLine* value) { statusLine = value; }

    bool isInitialized() const { return initialized; }
    bool isPickActive() const { return pickActive; }
    osg::Camera* getHudCamera() const { return hudCamera.get(); }
    osg::MatrixTransform* getLegendTransform() const { return legendTransform.get(); }
    osg::MatrixTransform* getLogoTransform() const { return logoTransform.get(); }
    osg::MatrixTransform* getCoordinatesPanelTransform() const { return coordinatesPanelTransform.get(); }
    osg::MatrixTransform* getCoordinatesTextTransform() const { return coordinatesTextTransform.get(); }
    osg::MatrixTransform* getCompassTransform() const { return compassTransform.get(); }
    osg::MatrixTransform* getHelpPanelTransform() const { return helpPanelTransform.get(); }
    osg::MatrixTransform* getHelpTextTransform() const { return helpTextTransform.get(); }
    int getCompassSize() const { return compassSize; }
    int getLogoWidth() const { return logoWidth; }
    int getLogoHeight() const { return logoHeight; }
    int getLegendWidth() const { return legendWidth; }
    int getLegendHeight() const { return legendHeight; }
    int getHelpWidth() const { return helpWidth; }
    int getHelpHeight() const { return helpHeight; }
    int getWindowWidth() const { return windowWidth; }
    int getWindowHeight() const { return windowHeight; }

protected:
    ~OverlayController() override;

private:
    bool handleMouseMove(const osgGA::GUIEventAdapter& ea, osgViewer::View* view);
    bool handleKeyDown(const osgGA::GUIEventAdapter& ea);
    bool handleKeyUp(const osgGA::GUIEventAdapter& ea);
    bool handleResize();

    bool build(osgViewer::View* view);
    void addCoordinates();
    void addStatus();
    void addCompass();
    void addLogo();
    void addLegend();
    void addHelp(osgViewer::View* view);
    void placeHelp(int width, int height);
    void chooseLogo();
    void toggleHelp();
    void pick(const osgGA::GUIEventAdapter& ea, osgViewer::View* view);

    bool initialized;
    osg::ref_ptr<osg::Group> overlayRoot;
    osg::ref_ptr<osg::Camera> mainCamera;
    osg::ref_ptr<osg::MatrixTransform> legendTransform;
    osg::ref_ptr<osg::MatrixTransform> logoTransform;
    osg::ref_ptr<osg::MatrixTransform> coordinatesPanelTransform;
    osg::ref_ptr<osg::MatrixTransform> coordinatesTextTransform;
    osg::ref_ptr<osg::MatrixTransform> compassTransform;
    osg::ref_ptr<osg::MatrixTransform> helpPanelTransform;
    osg::ref_ptr<osg::MatrixTransform> helpTextTransform;
    osg::ref_ptr<osg::MatrixTransform> statusTransform;
    osg::ref_ptr<StatusLine> statusLine;
    osg::ref_ptr<osg::Camera> hudCamera;
    OverlaySettings settings;
    int compassSize;
    int logoWidth, logoHeight;
    int legendWidth, legendHeight;
    int helpWidth, helpHeight;
    int windowWidth, windowHeight;
    bool pickActive;
};

} // namespace osgKELVO
