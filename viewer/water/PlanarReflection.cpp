#include "water/PlanarReflection.h"

#include <osg/ClipNode>
#include <osg/ClipPlane>
#include <osg/FrontFace>
#include <osg/MatrixTransform>
#include <osgUtil/CullVisitor>

namespace osgKELVO {

PlanarReflection::PlanarReflection(osg::Camera* mainCameraValue, int textureSize)
    : texture(new osg::Texture2D),
      textureMatrix(new osg::RefMatrixd),
      mainCamera(mainCameraValue)
{
    texture->setInternalFormat(GL_RGBA);
    texture->setSourceFormat(GL_RGBA);
    texture->setSourceType(GL_UNSIGNED_BYTE);
    texture->setTextureSize(textureSize, textureSize);
    texture->setFilter(osg::Texture::MIN_FILTER, osg::Texture::NEAREST);
    texture->setFilter(osg::Texture::MAG_FILTER, osg::Texture::NEAREST);

    setClearColor(osg::Vec4(0.0f, 0.0f, 0.0f, 0.0f));
    setClearMask(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    setViewport(0, 0, textureSize, textureSize);
    setReferenceFrame(osg::Transform::ABSOLUTE_RF);
    setRenderOrder(osg::Camera::PRE_RENDER, 0);
    attach(osg::Camera::COLOR_BUFFER, texture.get(), 0, 0, false, 0, 0);
    setRenderTargetImplementation(osg::Camera::FRAME_BUFFER_OBJECT);
}

PlanarReflection::~PlanarReflection() = default;

void PlanarReflection::accept(osg::NodeVisitor& nv)
{
    if (dynamic_cast<osgUtil::CullVisitor*>(&nv) && mainCamera.valid()) {
        const osg::Matrixd view = mainCamera->getViewMatrix();
        const osg::Matrixd projection = mainCamera->getProjectionMatrix();
        setViewMatrix(view);
        setProjectionMatrix(projection);

        // Positions relative to the eye need only the view's rotation.
        osg::Matrixd rotation = view;
        rotation.setTrans(0.0, 0.0, 0.0);
        textureMatrix->set(rotation * projection * osg::Matrixd::translate(1.0, 1.0, 1.0) *
                           osg::Matrixd::scale(0.5, 0.5, 0.5));
    }
    osg::Camera::accept(nv);
}

osg::ref_ptr<osg::Node> PlanarReflection::createMirroredScene(osg::Node* scene)
{
    osg::ref_ptr<osg::MatrixTransform> mirror = new osg::MatrixTransform(osg::Matrixd::scale(1.0, 1.0, -1.0));
    mirror->getOrCreateStateSet()->setAttributeAndModes(new osg::FrontFace(osg::FrontFace::CLOCKWISE),
                                                        osg::StateAttribute::ON);

    // Keeps what lies above the water in the scene's own coordinates.
    osg::ref_ptr<osg::ClipNode> aboveWater = new osg::ClipNode;
    aboveWater->addClipPlane(new osg::ClipPlane(0, 0.0, 0.0, 1.0, 0.0));
    aboveWater->addChild(scene);
    mirror->addChild(aboveWater);
    return mirror;
}

} // namespace osgKELVO
