#include "NavigationController.h"

namespace osgKELVO {

NavigationController::NavigationController(osg::Node* camera)
    : initialised(false),
      homeEye(0.0, 0.0, 0.0),
      homeCenter(0.0, 0.0, 0.0),
      mode(FreeFlight),
      axes{0.0f, 0.0f, 0.0f, 0.0f, 0.0f},
      moveSpeed(10.0),
      turnSpeed(1.5707963267948966),
      camera(camera),
      pressX(0.0f), pressY(0.0f),
      lastFrameTime(0.0),
      modeChanged(false),
      fusionDistance(100.0f)
{
}

NavigationController::~NavigationController() = default;

bool NavigationController::handle(const osgGA::GUIEventAdapter&, osgGA::GUIActionAdapter&)
{
    return false;
}

void NavigationController::setByMatrix(const osg::Matrixd& m)
{
    matrix = m;
}

void NavigationController::setByInverseMatrix(const osg::Matrixd& m)
{
    matrix = osg::Matrixd::inverse(m);
}

osg::Matrixd NavigationController::getMatrix() const
{
    return matrix;
}

osg::Matrixd NavigationController::getInverseMatrix() const
{
    return osg::Matrixd::inverse(matrix);
}

float NavigationController::getFusionDistanceValue() const
{
    return fusionDistance;
}

void NavigationController::setHome(const osg::Vec3d& eye, const osg::Vec3d& center)
{
    homeEye = eye;
    homeCenter = center;
}

void NavigationController::goHome()
{
    matrix = osg::Matrixd::inverse(osg::Matrixd::lookAt(homeEye, homeCenter, osg::Vec3d(0.0, 0.0, 1.0)));
}

void NavigationController::getEyeAndCenter(osg::Vec3d& eye, osg::Vec3d& center) const
{
    osg::Vec3d up;
    osg::Matrixd::inverse(matrix).getLookAt(eye, center, up, 10.0);
}

} // namespace osgKELVO
