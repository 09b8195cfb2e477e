#pragma once

#include <osg/Transform>

namespace osgKELVO {

// Keeps its children centred on the eye during culling, so a sky sphere never comes nearer or
// falls behind however far the camera travels. Other traversals see no transform.
class MoveEarthySkyWithEyePointTransform : public osg::Transform
{
public:
    bool computeLocalToWorldMatrix(osg::Matrix& matrix, osg::NodeVisitor* nv) const override;
    bool computeWorldToLocalMatrix(osg::Matrix& matrix, osg::NodeVisitor* nv) const override;

    // The sky has no place in the world: it must not widen the scene's bound (from which the
    // navigation speed is derived), and picks and terrain following must not hit it.
    osg::BoundingSphere computeBound() const override;
    void traverse(osg::NodeVisitor& nv) override;
};

} // namespace osgKELVO
