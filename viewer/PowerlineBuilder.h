#pragma once

#include <osg/Node>
#include <osg/Vec3d>
#include <osg/ref_ptr>

namespace osgKELVO {

// Builds the overhead power line (pylons from building blocks, conductor wires) from the data under
// "../Content/Powerline/".
class PowerlineBuilder
{
public:
    explicit PowerlineBuilder(const osg::Vec3d& offset) : offset(offset) {}

    osg::ref_ptr<osg::Node> build();

private:
    osg::Vec3d offset;
};

} // namespace osgKELVO
