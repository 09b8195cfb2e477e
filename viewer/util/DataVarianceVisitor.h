#pragma once

#include <osg/NodeVisitor>
#include <osg/Object>

namespace osgKELVO {

// Sets the data variance of every transform and geode below a node, switched-off children included.
class DataVarianceVisitor : public osg::NodeVisitor
{
public:
    explicit DataVarianceVisitor(osg::Object::DataVariance variance);

    void apply(osg::MatrixTransform& node) override;
    void apply(osg::Geode& node) override;

private:
    osg::Object::DataVariance variance;
};

} // namespace osgKELVO
