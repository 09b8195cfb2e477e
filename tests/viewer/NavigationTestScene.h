#pragma once

#include "navigation/NavigationController.h"

#include <osg/Geode>
#include <osg/Geometry>
#include <osgGA/GUIEventAdapter>
#include <osgViewer/Viewer>

#include <gtest/gtest.h>

namespace navtest {

// Largest element difference of two matrices.
double matrixDistance(const osg::Matrixd& a, const osg::Matrixd& b);

// A horizontal rectangle [x0, x1] x [y0, y1] at height z, facing up.
osg::ref_ptr<osg::Geode> makeRectangle(float x0, float y0, float x1, float y1, float z);

// Drives a NavigationController the way the viewer does, without a window: a viewer (view and
// viewer base in one) is the action adapter, and after each frame event the camera takes the
// controller's view matrix, as the viewer's update traversal does.
class NavigationTest : public ::testing::Test
{
protected:
    static constexpr double frameTime = 1.0 / 60.0;

    NavigationTest();

    void setScene(osg::Node* scene);
    void start(const osg::Vec3d& eye, const osg::Vec3d& center);

    bool send(osgGA::GUIEventAdapter* event);
    bool keyDown(int key);
    bool keyUp(int key);
    bool frame(double dt = frameTime);
    void frames(int count, double dt = frameTime);
    // Mouse events in an 800 x 600 window, y growing upwards.
    bool mouse(osgGA::GUIEventAdapter::EventType type, float x, float y, int button, int mask);
    bool scroll(osgGA::GUIEventAdapter::ScrollingMotion motion);

    osg::Vec3d eye() const;
    osg::Vec3d viewDirection() const;
    // Angle of the view direction above the horizontal, and its heading about z (radians).
    double viewElevation() const;
    double viewHeading() const;

    osg::ref_ptr<osgViewer::Viewer> viewer;
    osg::ref_ptr<osgKELVO::NavigationController> navigation;
    double time = 0.0;
};

} // namespace navtest
