#include "OverlayController.h"

namespace osgKELVO {

OverlayController::OverlayController(osg::Group* overlayRoot, osg::Camera* mainCamera)
    : initialised(false),
      overlayRoot(overlayRoot),
      mainCamera(mainCamera),
      useGeoCoords(false),
      offset(0.0f, 0.0f, 0.0f)
{
}

OverlayController::~OverlayController() = default;

bool OverlayController::handle(const osgGA::GUIEventAdapter&, osgGA::GUIActionAdapter&)
{
    return false;
}

} // namespace osgKELVO
