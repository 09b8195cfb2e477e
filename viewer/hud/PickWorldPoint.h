#pragma once

#include <osg/Vec3f>

namespace osgViewer {
class View;
}

namespace osgKELVO {

// The world point under window pixel (x, y): true and the nearest intersection with the scene
// seen by the view's master camera, or false with point untouched when nothing is hit.
bool pickWorldPoint(osgViewer::View* view, float x, float y, osg::Vec3f& point);

} // namespace osgKELVO
