#pragma once

#include "hud/OverlayController.h"
#include "RuntimeTree.h"

#include <osg/Group>
#include <osgText/Text>
#include <osgViewer/GraphicsWindow>
#include <osgViewer/Viewer>

#include <memory>
#include <string>
#include <vector>

namespace kelvotest {
class XvfbServer;
}

// A real window on an X display with the viewer's scene roots and an overlay controller as its
// only event handler, run from the Bin directory of a private runtime tree so that the overlay
// finds its images and fonts as the program does. Remove resources before the first frame.
class HudTestWindow
{
public:
    HudTestWindow();
    ~HudTestWindow();

    const kelvotest::RuntimeTree& tree() const { return *tree_; }
    void removeResource(const std::string& relativePath) const;

    // Opens the window, realizes the viewer and runs the first frame (which builds the display).
    void open(int width = 1280, int height = 1024);
    void frame();

    osgViewer::Viewer& viewer() { return *viewer_; }
    osgViewer::GraphicsWindow* window() const { return window_.get(); }
    osgKELVO::OverlayController& overlay() const { return *overlay_; }
    osg::Group* scene() const { return scene_.get(); }
    osg::Camera* camera() { return viewer_->getCamera(); }

    void lookAt(const osg::Vec3d& eye, const osg::Vec3d& center, const osg::Vec3d& up = osg::Vec3d(0, 0, 1));

    // Input as the window would deliver it; x and y are window pixels from the top left corner.
    void pressKey(int key);
    void releaseKey(int key);
    void movePointer(float x, float yFromTop);

    // The three coordinate lines as shown.
    std::vector<std::string> readout() const;

    static std::string utf8(const osgText::Text& text);

private:
    std::unique_ptr<kelvotest::XvfbServer> display_;
    std::unique_ptr<kelvotest::RuntimeTree> tree_;
    std::string previousDirectory_;
    osg::ref_ptr<osgViewer::Viewer> viewer_;
    osg::ref_ptr<osgViewer::GraphicsWindow> window_;
    osg::ref_ptr<osgKELVO::OverlayController> overlay_;
    osg::ref_ptr<osg::Group> scene_;
};
