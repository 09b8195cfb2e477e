#include "hud/CompassUpdateCallback.h"

#include "hud/CompassNode.h"

#include <osg/TexMat>

#include <cmath>

namespace osgKELVO {

CompassUpdateCallback::CompassUpdateCallback(osg::Camera* camera)
    : camera(camera)
{
}

CompassUpdateCallback::~CompassUpdateCallback() = default;

void CompassUpdateCallback::operator()(osg::Node* node, osg::NodeVisitor* nv)
{
    osg::ref_ptr<osg::Camera> viewCamera;
    if (node && camera.lock(viewCamera)) {
        osg::Vec3f eye, center, up;
        viewCamera->getViewMatrixAsLookAt(eye, center, up, 1.0f);
        osg::Vec2f direction(center.x() - eye.x(), center.y() - eye.y());
        if (direction.length() > 0.0f) {
            direction.normalize();
            const float heading = std::atan2(direction.x(), direction.y());
            osg::StateSet* stateSet = node->getStateSet();
            osg::TexMat* texMat = stateSet ? dynamic_cast<osg::TexMat*>(
                                                 stateSet->getTextureAttribute(0, osg::StateAttribute::TEXMAT))
                                           : nullptr;
            if (texMat)
                texMat->setMatrix(CompassNode::textureMatrix(heading));
        }
    }
    traverse(node, nv);
}

} // namespace osgKELVO
