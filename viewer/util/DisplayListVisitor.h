#pragma once

#include <osg/NodeVisitor>

namespace osgKELVO {

// Switches display lists on or off for every geometry below a node; geometry whose vertices are
// rewritten in place must not be compiled into a display list.
class DisplayListVisitor : public osg::NodeVisitor
{
public:
    explicit DisplayListVisitor(bool useDisplayList);

    void apply(osg::Geode& node) override;

private:
    bool useDisplayList;
};

} // namespace osgKELVO
