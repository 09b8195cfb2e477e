#include "hud/HeadUpDisplayCamera.h"

#include <osgUtil/IntersectionVisitor>

namespace osgKELVO {

HeadUpDisplayCamera::HeadUpDisplayCamera() = default;

HeadUpDisplayCamera::~HeadUpDisplayCamera() = default;

void HeadUpDisplayCamera::traverse(osg::NodeVisitor& nv)
{
    if (dynamic_cast<osgUtil::IntersectionVisitor*>(&nv))
        return;
    osg::Camera::traverse(nv);
}

} // namespace osgKELVO
