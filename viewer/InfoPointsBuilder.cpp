#include "InfoPointsBuilder.h"

namespace osgKELVO {

osg::ref_ptr<osg::Node> InfoPointsBuilder::build()
{
    // The label reader is not written yet; the scene simply has no information points.
    return nullptr;
}

} // namespace osgKELVO
