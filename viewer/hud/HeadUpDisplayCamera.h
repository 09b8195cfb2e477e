#pragma once

#include <osg/Camera>

namespace osgKELVO {

// The camera of the head-up display. It lies in the scene graph under the master camera, so the
// pointer picks (coordinate readout, navigation) would otherwise hit the panels drawn in window
// pixels in front of the scene; intersection visitors therefore do not enter it.
class HeadUpDisplayCamera : public osg::Camera
{
public:
    HeadUpDisplayCamera();

    void traverse(osg::NodeVisitor& nv) override;

protected:
    ~HeadUpDisplayCamera() override;
};

} // namespace osgKELVO
