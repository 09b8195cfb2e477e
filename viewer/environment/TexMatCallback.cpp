#include "environment/TexMatCallback.h"

#include <osg/Math>
#include <osg/Quat>
#include <osgUtil/CullVisitor>

namespace osgKELVO {

namespace {

const osg::Matrixd& cubeMapUpright()
{
    // The quarter turn in single precision, as the sky faces were made for.
    static const osg::Matrixd rotation = osg::Matrixd::rotate(osg::PI_2f, osg::Vec3d(1.0, 0.0, 0.0));
    return rotation;
}

} // namespace

TexMatCallback::TexMatCallback(osg::TexMat& texMatValue) : texMat(texMatValue) {}

void TexMatCallback::operator()(osg::Node* node, osg::NodeVisitor* nv)
{
    if (osgUtil::CullVisitor* cv = dynamic_cast<osgUtil::CullVisitor*>(nv)) {
        const osg::Matrixd& modelView = *cv->getModelViewMatrix();
        osg::Quat rotation;
        modelView.get(rotation);
        texMat.setMatrix(osg::Matrixd::rotate(rotation.inverse()) * cubeMapUpright());
    }
    traverse(node, nv);
}

} // namespace osgKELVO
