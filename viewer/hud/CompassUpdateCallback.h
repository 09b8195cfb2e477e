#pragma once

#include <osg/Camera>
#include <osg/NodeCallback>
#include <osg/observer_ptr>

namespace osgKELVO {

// Update callback of the compass geode: turns the compass texture with the horizontal view
// direction, and keeps the last heading while the camera looks straight down or up.
class CompassUpdateCallback : public osg::NodeCallback
{
public:
    explicit CompassUpdateCallback(osg::Camera* camera);

    void operator()(osg::Node* node, osg::NodeVisitor* nv) override;

protected:
    ~CompassUpdateCallback() override;

private:
    osg::observer_ptr<osg::Camera> camera;
};

} // namespace osgKELVO
