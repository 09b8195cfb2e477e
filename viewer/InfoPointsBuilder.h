#pragma once

#include <osg/Node>
#include <osg/ref_ptr>

namespace osgKELVO {

// Builds the text labels of the information points from the files under "../Content/InfoPoints/".
class InfoPointsBuilder
{
public:
    osg::ref_ptr<osg::Node> build();
};

} // namespace osgKELVO
