#include "PowerlineBuilder.h"

namespace osgKELVO {

osg::ref_ptr<osg::Node> PowerlineBuilder::build()
{
    // The power-line reader is not written yet; the scene simply has no power line.
    return nullptr;
}

} // namespace osgKELVO
