#pragma once

#include <osg/Image>
#include <osg/Node>
#include <osgViewer/Viewer>

#include <string>

// A single-threaded viewer drawing into a pbuffer of the test display; each frame's color buffer
// is read back into an image.
class OffscreenRenderer
{
public:
    OffscreenRenderer(int width, int height);
    ~OffscreenRenderer();

    bool valid() const { return context.valid(); }
    osgViewer::Viewer& getViewer() { return viewer; }
    osg::Camera* getCamera() { return viewer.getCamera(); }

    // Sets the view and draws one frame; returns a copy of what was drawn.
    osg::ref_ptr<osg::Image> render(const osg::Matrixd& viewMatrix);

    // Bottom row first, as OpenGL reads it.
    static osg::Vec3i pixel(const osg::Image& image, int x, int y);
    // Mean absolute difference per channel over the whole image.
    static double meanDifference(const osg::Image& a, const osg::Image& b);
    static int largestDifference(const osg::Image& a, const osg::Image& b);

private:
    osgViewer::Viewer viewer;
    osg::ref_ptr<osg::GraphicsContext> context;
    osg::ref_ptr<osg::Image> captured;
};
