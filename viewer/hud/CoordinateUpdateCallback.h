#pragma once

#include <osg/Camera>
#include <osg/NodeCallback>
#include <osg/Vec3f>
#include <osg/observer_ptr>

namespace osgKELVO {

class OverlayController;

// Update callback of the coordinate text geode: shows the camera's eye point every frame, except
// while the overlay picks points under the pointer (M held), when the last picked point stays.
class CoordinateUpdateCallback : public osg::NodeCallback
{
public:
    CoordinateUpdateCallback(osg::Camera* camera, bool useGeoCoords, const osg::Vec3f& offset,
                             OverlayController* overlay);

    void operator()(osg::Node* node, osg::NodeVisitor* nv) override;

protected:
    ~CoordinateUpdateCallback() override;

private:
    // Neither is owned: the overlay owns the display that owns this callback.
    osg::observer_ptr<osg::Camera> camera;
    bool useGeoCoords;
    osg::Vec3f offset;
    osg::observer_ptr<OverlayController> overlay;
};

} // namespace osgKELVO
