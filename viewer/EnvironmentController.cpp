#include "EnvironmentController.h"

namespace osgKELVO {

EnvironmentController::EnvironmentController(osg::Camera* camera, osg::Group* scene)
    : initialised(false),
      camera(camera),
      scene(scene),
      backgroundColor(0.8f, 0.8f, 1.0f, 1.0f),
      enableWater(false),
      seaState(3.0),
      windDirection(250.0)
{
}

EnvironmentController::~EnvironmentController() = default;

void EnvironmentController::setBackgroundColor(float red, float green, float blue, float alpha)
{
    backgroundColor.set(red, green, blue, alpha);
    camera->setClearColor(backgroundColor);
}

bool EnvironmentController::handle(const osgGA::GUIEventAdapter&, osgGA::GUIActionAdapter&)
{
    return false;
}

} // namespace osgKELVO
