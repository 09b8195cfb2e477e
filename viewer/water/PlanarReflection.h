#pragma once

#include <osg/Camera>
#include <osg/Group>
#include <osg/Matrixd>
#include <osg/Texture2D>

namespace osgKELVO {

// Renders the scene mirrored in the water plane z = 0 into a square texture before the main view,
// from the main camera's eye, and keeps the matrix that takes positions relative to the eye
// into that texture (projective: divide by w).
class PlanarReflection : public osg::Camera
{
public:
    explicit PlanarReflection(osg::Camera* mainCamera, int textureSize = 1024);

    void accept(osg::NodeVisitor& nv) override;

    osg::Texture2D* getTexture() const { return texture.get(); }
    osg::RefMatrixd* getTextureMatrix() const { return textureMatrix.get(); }

    // The scene turned upside down about z = 0 (with the winding reversed to match), clipped to
    // what lies above the water. The scene itself is shared, not copied.
    static osg::ref_ptr<osg::Node> createMirroredScene(osg::Node* scene);

protected:
    ~PlanarReflection() override;

private:
    osg::ref_ptr<osg::Texture2D> texture;
    osg::ref_ptr<osg::RefMatrixd> textureMatrix;
    osg::ref_ptr<osg::Camera> mainCamera;
};

} // namespace osgKELVO
