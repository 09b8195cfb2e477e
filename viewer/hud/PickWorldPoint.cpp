#include "hud/PickWorldPoint.h"

#include <osgUtil/IntersectionVisitor>
#include <osgUtil/LineSegmentIntersector>
#include <osgViewer/View>

namespace osgKELVO {

bool pickWorldPoint(osgViewer::View* view, float x, float y, osg::Vec3f& point)
{
    if (!view || !view->getCamera())
        return false;
    osg::ref_ptr<osgUtil::LineSegmentIntersector> intersector =
        new osgUtil::LineSegmentIntersector(osgUtil::Intersector::WINDOW, x, y);
    osgUtil::IntersectionVisitor visitor(intersector.get());
    view->getCamera()->accept(visitor);
    if (!intersector->containsIntersections())
        return false;
    const osg::Vec3d hit = intersector->getFirstIntersection().getWorldIntersectPoint();
    point.set(static_cast<float>(hit.x()), static_cast<float>(hit.y()), static_cast<float>(hit.z()));
    return true;
}

} // namespace osgKELVO
