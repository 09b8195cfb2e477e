#pragma once

#include "window/WindowSettings.h"

#include <osg/Camera>
#include <osgGA/GUIEventHandler>
#include <osgViewer/GraphicsWindow>

#include <string>

namespace osgViewer {
class View;
}

namespace osgKELVO {

// Creates the viewer's window from the configured settings, keeps viewport and projection in step
// with its size, toggles borderless full screen on F11 and reports the live settings when saved.
class WindowController : public osgGA::GUIEventHandler
{
public:
    explicit WindowController(osg::Camera* camera);

    void createWindow(const WindowSettings& settings);
    void getWindowInfo(WindowSettings& info) const;
    void toggleFullscreen(osgViewer::GraphicsWindow* window);
    void resize(int width, int height);

    bool handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa) override;
    void getUsage(osg::ApplicationUsage& usage) const override;

    float getFovy() const { return fovy; }
    // Whether the window was created with quad-buffered stereo, as asked for and available.
    bool hasStereo() const { return settings.stereo; }
    // The renderer that the window went without multisampling for, as it draws on the processor;
    // empty on a graphics card or where the settings keep the configured quality.
    const std::string& getSoftwareRenderer() const { return softwareRenderer; }

protected:
    ~WindowController() override;

private:
    bool handleKeyDown(const osgGA::GUIEventAdapter& ea, osgViewer::View& view);
    bool handleResize(const osgGA::GUIEventAdapter& ea);
    bool handleCloseWindow();

    void applyPendingMaximize();
    void rememberLiveWindow();

    osg::ref_ptr<osg::Camera> camera;
    float fovy;
    // As created, the rectangle to return to from full screen, and as last seen at closing.
    WindowSettings settings;
    std::string softwareRenderer;
    // Samples the configuration asked for that a software renderer's window goes without.
    unsigned softwareDroppedSamples;
    // A maximized start asked for in createWindow, confirmed once the window is up.
    bool maximizePending;
    // The live window as of its last move or resize, for the record kept when it closes.
    WindowSettings lastLive;
    bool haveLastLive;
};

} // namespace osgKELVO
