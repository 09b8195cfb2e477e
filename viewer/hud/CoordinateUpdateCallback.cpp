#include "hud/CoordinateUpdateCallback.h"

#include "hud/CoordinateReadout.h"
#include "hud/OverlayController.h"

namespace osgKELVO {

CoordinateUpdateCallback::CoordinateUpdateCallback(osg::Camera* camera, bool useGeoCoords,
                                                   const osg::Vec3f& offset, OverlayController* overlay)
    : camera(camera), useGeoCoords(useGeoCoords), offset(offset), overlay(overlay)
{
}

CoordinateUpdateCallback::~CoordinateUpdateCallback() = default;

void CoordinateUpdateCallback::operator()(osg::Node* node, osg::NodeVisitor* nv)
{
    osg::ref_ptr<osg::Camera> viewCamera;
    osg::ref_ptr<OverlayController> controller;
    if (node && camera.lock(viewCamera) && overlay.lock(controller) && !controller->isPickActive()) {
        osg::Vec3f eye, center, up;
        viewCamera->getViewMatrixAsLookAt(eye, center, up, 1.0f);
        CoordinateReadout::writeLines(node->asGeode(), eye, useGeoCoords, offset);
    }
    traverse(node, nv);
}

} // namespace osgKELVO
