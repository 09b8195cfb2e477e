#include "util/DataVarianceVisitor.h"

#include <osg/Geode>
#include <osg/MatrixTransform>

namespace osgKELVO {

DataVarianceVisitor::DataVarianceVisitor(osg::Object::DataVariance variance)
    : osg::NodeVisitor(TRAVERSE_ALL_CHILDREN), variance(variance)
{
}

void DataVarianceVisitor::apply(osg::MatrixTransform& node)
{
    node.setDataVariance(variance);
    traverse(node);
}

void DataVarianceVisitor::apply(osg::Geode& node)
{
    node.setDataVariance(variance);
    traverse(node);
}

} // namespace osgKELVO
