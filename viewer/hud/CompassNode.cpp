#include "hud/CompassNode.h"

#include <osg/Geometry>
#include <osg/Notify>
#include <osg/PolygonMode>
#include <osg/TexMat>
#include <osg/Texture2D>
#include <osgDB/ReadFile>
#include <osgDB/Registry>

namespace osgKELVO {

osg::ref_ptr<osg::Geode> CompassNode::create(int& size)
{
    osg::ref_ptr<osg::Image> image =
        osgDB::readRefImageFile(imageFileName(), osgDB::Registry::instance()->getOptions());
    if (!image) {
        if (osg::isNotifyEnabled(osg::WARN))
            osg::notify(osg::WARN) << "Compass image not found" << std::endl;
        return nullptr;
    }
    size = image->s();
    const float half = static_cast<float>(size / 2);

    osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    vertices->push_back(osg::Vec3(-half, -half, 0.0f));
    vertices->push_back(osg::Vec3(half, -half, 0.0f));
    vertices->push_back(osg::Vec3(half, half, 0.0f));
    vertices->push_back(osg::Vec3(-half, half, 0.0f));
    geometry->setVertexArray(vertices);
    osg::ref_ptr<osg::Vec2Array> texCoords = new osg::Vec2Array;
    texCoords->push_back(osg::Vec2(0.0f, 0.0f));
    texCoords->push_back(osg::Vec2(1.0f, 0.0f));
    texCoords->push_back(osg::Vec2(1.0f, 1.0f));
    texCoords->push_back(osg::Vec2(0.0f, 1.0f));
    geometry->setTexCoordArray(0, texCoords);
    geometry->addPrimitiveSet(new osg::DrawArrays(GL_QUADS, 0, 4));

    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(geometry);

    osg::StateSet* stateSet = geode->getOrCreateStateSet();
    osg::ref_ptr<osg::Texture2D> texture = new osg::Texture2D(image);
    texture->setWrap(osg::Texture::WRAP_S, osg::Texture::CLAMP_TO_EDGE);
    texture->setWrap(osg::Texture::WRAP_T, osg::Texture::CLAMP_TO_EDGE);
    // Drawn at its own size on the display: mipmaps would never be read, only built.
    texture->setFilter(osg::Texture::MIN_FILTER, osg::Texture::LINEAR);
    stateSet->setTextureAttributeAndModes(0, texture, osg::StateAttribute::ON);
    // The viewer's wireframe key must not turn the compass into an outline.
    stateSet->setAttributeAndModes(new osg::PolygonMode(osg::PolygonMode::FRONT_AND_BACK, osg::PolygonMode::FILL),
                                   osg::StateAttribute::ON | osg::StateAttribute::PROTECTED);
    stateSet->setMode(GL_LIGHTING, osg::StateAttribute::OFF | osg::StateAttribute::PROTECTED);
    stateSet->setMode(GL_BLEND, osg::StateAttribute::ON);
    stateSet->setRenderingHint(osg::StateSet::TRANSPARENT_BIN);
    osg::ref_ptr<osg::TexMat> texMat = new osg::TexMat;
    // Turned in the update traversal while a draw thread may still use it.
    texMat->setDataVariance(osg::Object::DYNAMIC);
    stateSet->setDataVariance(osg::Object::DYNAMIC);
    stateSet->setTextureAttributeAndModes(0, texMat, osg::StateAttribute::ON | osg::StateAttribute::PROTECTED);
    return geode;
}

osg::Matrixf CompassNode::textureMatrix(float heading)
{
    return osg::Matrixf::translate(-0.5f, -0.5f, 0.0f) *
           osg::Matrixf::rotate(-heading, osg::Vec3f(0.0f, 0.0f, 1.0f)) *
           osg::Matrixf::translate(0.5f, 0.5f, 0.0f);
}

} // namespace osgKELVO
