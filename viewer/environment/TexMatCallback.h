#pragma once

#include <osg/NodeCallback>
#include <osg/TexMat>

namespace osgKELVO {

// Cull callback of the sky: undoes the view's rotation in the sky's texture matrix, so reflection
// texture coordinates (which live in eye space) address the cube map in world orientation. The
// extra quarter turn about x stands the y-up cube map upright in the z-up world.
class TexMatCallback : public osg::NodeCallback
{
public:
    // The texture matrix belongs to the sky's state set, which outlives this callback.
    explicit TexMatCallback(osg::TexMat& texMat);

    void operator()(osg::Node* node, osg::NodeVisitor* nv) override;

private:
    osg::TexMat& texMat;
};

} // namespace osgKELVO
