#include "environment/MoveEarthySkyWithEyePointTransform.h"

#include <osgUtil/CullVisitor>

namespace osgKELVO {

bool MoveEarthySkyWithEyePointTransform::computeLocalToWorldMatrix(osg::Matrix& matrix,
                                                                   osg::NodeVisitor* nv) const
{
    if (osgUtil::CullVisitor* cv = dynamic_cast<osgUtil::CullVisitor*>(nv))
        matrix.preMultTranslate(cv->getEyeLocal());
    return true;
}

bool MoveEarthySkyWithEyePointTransform::computeWorldToLocalMatrix(osg::Matrix& matrix,
                                                                   osg::NodeVisitor* nv) const
{
    if (osgUtil::CullVisitor* cv = dynamic_cast<osgUtil::CullVisitor*>(nv))
        matrix.postMultTranslate(-cv->getEyeLocal());
    return true;
}

osg::BoundingSphere MoveEarthySkyWithEyePointTransform::computeBound() const
{
    return osg::BoundingSphere();
}

void MoveEarthySkyWithEyePointTransform::traverse(osg::NodeVisitor& nv)
{
    if (nv.getVisitorType() == osg::NodeVisitor::INTERSECTION_VISITOR)
        return;
    osg::Transform::traverse(nv);
}

} // namespace osgKELVO
