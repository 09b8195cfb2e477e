#pragma once

#include "hud/OverlayController.h"
#include "ScratchTree.h"

#include <osg/Geometry>
#include <osg/io_utils>
#include <osgText/Text>
#include <osgViewer/GraphicsWindow>
#include <osgViewer/Viewer>

#include <memory>
#include <string>
#include <vector>

namespace kelvotest {
class XvfbServer;
}

// A quad from corner along two edges, counter-clockwise seen from where edge1 ^ edge2 points.
osg::ref_ptr<osg::Geometry> rectangle(const osg::Vec3& corner, const osg::Vec3& edge1,
                                      const osg::Vec3& edge2,
                                      const osg::Vec4& color = osg::Vec4(1, 1, 1, 1));

// Reads each frame the camera draws into the image, bottom row first.
class CaptureCallback : public osg::Camera::DrawCallback
{
public:
    explicit CaptureCallback(osg::Image* target) : image(target) {}
    void operator()(osg::RenderInfo& renderInfo) const override;

private:
    osg::ref_ptr<osg::Image> image;
};

// A single-threaded viewer on the test display (a private one when DISPLAY is unset), drawing into
// a window that takes input, or into a pbuffer whose every frame is read back.
class TestViewer
{
public:
    TestViewer();
    virtual ~TestViewer();

    // Realizes the viewer and runs the first frame; false when the display offers no context.
    bool open(int width = 1280, int height = 1024, bool pbuffer = false);
    void frame() { viewer_->frame(); }
    // Sets the view, draws one frame and returns a copy of it (pbuffer only).
    osg::ref_ptr<osg::Image> render(const osg::Matrixd& view)
    {
        camera()->setViewMatrix(view);
        frame();
        return new osg::Image(*captured_, osg::CopyOp::DEEP_COPY_ALL);
    }

    osgViewer::Viewer& viewer() { return *viewer_; }
    osg::Camera* camera() { return viewer_->getCamera(); }
    osgViewer::GraphicsWindow* window() const { return window_; }
    void lookAt(const osg::Vec3d& eye, const osg::Vec3d& center,
                const osg::Vec3d& up = osg::Vec3d(0, 0, 1))
    {
        camera()->setViewMatrixAsLookAt(eye, center, up);
    }

    // Window input; x and y are window pixels from the top left corner.
    void pressKey(int key) { window_->getEventQueue()->keyPress(key); }
    void releaseKey(int key) { window_->getEventQueue()->keyRelease(key); }
    void movePointer(float x, float yFromTop)
    {
        window_->getEventQueue()->mouseMotion(x, yFromTop);
    }

    // Bottom row first, as OpenGL reads it.
    static osg::Vec3i pixel(const osg::Image& image, int x, int y)
    {
        return osg::Vec3i(image.data(x, y)[0], image.data(x, y)[1], image.data(x, y)[2]);
    }
    // Mean and largest absolute difference per channel over the whole image.
    static double meanDifference(const osg::Image& a, const osg::Image& b);
    static int largestDifference(const osg::Image& a, const osg::Image& b);

private:
    std::unique_ptr<kelvotest::XvfbServer> display_;
    osg::ref_ptr<osg::Image> captured_;
    osg::ref_ptr<osgViewer::Viewer> viewer_;
    osgViewer::GraphicsWindow* window_ = nullptr;
};

// The viewer's scene roots and its overlay, run from the Bin of a private runtime tree so that
// the overlay finds its images and fonts; remove resources before opening.
class HudTestWindow : public TestViewer
{
public:
    HudTestWindow();

    void removeResource(const std::string& relativePath) const { tree_.remove(relativePath); }
    osgKELVO::OverlayController& overlay() const { return *overlay_; }
    osg::Group* scene() const { return scene_.get(); }

    // The three coordinate lines as shown.
    std::vector<std::string> readout() const;

private:
    kelvotest::ScratchTree tree_;
    osg::ref_ptr<osgKELVO::OverlayController> overlay_;
    osg::ref_ptr<osg::Group> scene_ = new osg::Group;
};
