#include "util/DisplayListVisitor.h"

#include <osg/Geode>
#include <osg/Geometry>

namespace osgKELVO {

DisplayListVisitor::DisplayListVisitor(bool useDisplayList)
    : osg::NodeVisitor(TRAVERSE_ALL_CHILDREN), useDisplayList(useDisplayList)
{
}

void DisplayListVisitor::apply(osg::Geode& node)
{
    for (unsigned i = 0; i < node.getNumDrawables(); ++i)
        if (osg::Geometry* geometry = node.getDrawable(i)->asGeometry())
            geometry->setUseDisplayList(useDisplayList);
    traverse(node);
}

} // namespace osgKELVO
