#pragma once

#include <osg/Image>
#include <osg/Vec3f>
#include <osg/ref_ptr>

#include <chrono>
#include <string>

namespace kelvotest {

class RuntimeTree;
class ViewerProcess;

// Screenshots taken by the viewer itself (F12 writes "../KELVOview_<n>_<context>.jpg"), read back
// as images, and simple pixel statistics over them. Coordinates are window pixels, origin top left.
class Screenshot
{
public:
    // Presses F12 and returns the image it wrote, or null.
    static osg::ref_ptr<osg::Image> capture(const RuntimeTree& tree, ViewerProcess& viewer,
                                            std::chrono::milliseconds timeout = std::chrono::seconds(15));

    static osg::Vec3f pixel(const osg::Image& image, int x, int y);
    // Mean color (0 to 1 per channel) of the rectangle [x0, x1) x [y0, y1).
    static osg::Vec3f mean(const osg::Image& image, int x0, int y0, int x1, int y1);
    // Share of the pixels (every other one in each direction) within 0.25 of a color per channel.
    static float share(const osg::Image& image, const osg::Vec4& color);
    // Mean absolute per-channel difference of two images over a rectangle.
    static float difference(const osg::Image& a, const osg::Image& b, int x0, int y0, int x1, int y1);
    // Writes an image for a person to look at when a test fails.
    static void save(const osg::Image& image, const std::string& path);
};

} // namespace kelvotest
