#include "water/MarisUpdateCallback.h"

#include <Maris/Ocean.h>

#include <osg/FrameStamp>
#include <osg/NodeVisitor>

namespace osgKELVO {

void MarisUpdateCallback::update(osg::NodeVisitor* nodeVisitor, osg::Drawable*)
{
    Maris::Ocean* stepped = ocean.load();
    if (!stepped || !nodeVisitor || !nodeVisitor->getFrameStamp())
        return;
    stepped->UpdateSimulation(nodeVisitor->getFrameStamp()->getSimulationTime());
}

} // namespace osgKELVO
