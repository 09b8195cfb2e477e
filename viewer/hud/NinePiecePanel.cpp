#include "hud/NinePiecePanel.h"

#include "util/DataVarianceVisitor.h"
#include "util/DisplayListVisitor.h"

#include <osg/Geode>
#include <osg/Geometry>
#include <osg/Notify>
#include <osg/Texture2D>
#include <osgDB/ReadFile>
#include <osgDB/Registry>

#include <sstream>

namespace osgKELVO {

namespace {

const unsigned cellCount = 9;

osg::ref_ptr<osg::Geode> createCell(unsigned index, const osg::Vec4f& color)
{
    osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
    geometry->setVertexArray(new osg::Vec3Array(4));

    osg::ref_ptr<osg::Vec4Array> colors = new osg::Vec4Array;
    colors->push_back(color);
    geometry->setColorArray(colors, osg::Array::BIND_OVERALL);

    osg::ref_ptr<osg::Vec2Array> texCoords = new osg::Vec2Array;
    texCoords->push_back(osg::Vec2(0.0f, 0.0f));
    texCoords->push_back(osg::Vec2(1.0f, 0.0f));
    texCoords->push_back(osg::Vec2(1.0f, 1.0f));
    texCoords->push_back(osg::Vec2(0.0f, 1.0f));
    geometry->setTexCoordArray(0, texCoords);
    geometry->addPrimitiveSet(new osg::DrawArrays(GL_QUADS, 0, 4));

    // A missing image leaves the texture empty: the cell is then drawn in the panel color.
    osg::ref_ptr<osg::Texture2D> texture = new osg::Texture2D;
    texture->setImage(osgDB::readImageFile(NinePiecePanel::imageFileName(index),
                                           osgDB::Registry::instance()->getOptions()));
    texture->setWrap(osg::Texture::WRAP_S, osg::Texture::CLAMP_TO_EDGE);
    texture->setWrap(osg::Texture::WRAP_T, osg::Texture::CLAMP_TO_EDGE);
    // Drawn at its own size on the display: mipmaps would never be read, only built.
    texture->setFilter(osg::Texture::MIN_FILTER, osg::Texture::LINEAR);
    geometry->getOrCreateStateSet()->setTextureAttributeAndModes(0, texture, osg::StateAttribute::ON);

    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(geometry);
    return geode;
}

// Left edge (or bottom edge) and extent of column (or row) c of a panel of the given size.
void cellSpan(unsigned c, int size, float& start, float& extent)
{
    const int corner = NinePiecePanel::cornerSize;
    switch (c) {
    case 0: start = 0.0f; extent = corner; break;
    case 1: start = corner; extent = static_cast<float>(size - 2 * corner); break;
    default: start = static_cast<float>(size - corner); extent = corner; break;
    }
}

} // namespace

std::string NinePiecePanel::imageFileName(unsigned index)
{
    std::ostringstream name;
    name << "../Resources/Images/Panel_" << index << ".png";
    return name.str();
}

osg::ref_ptr<osg::Group> NinePiecePanel::create(int width, int height, const osg::Vec4f& color)
{
    if (width < minimumSize || height < minimumSize) {
        osg::notify(osg::WARN) << "Invalid size for panel, must be a minimum 32 x 32 pixels" << std::endl;
        return nullptr;
    }

    osg::ref_ptr<osg::Group> panel = new osg::Group;
    osg::StateSet* stateSet = panel->getOrCreateStateSet();
    stateSet->setMode(GL_BLEND, osg::StateAttribute::ON);
    stateSet->setMode(GL_LIGHTING, osg::StateAttribute::OFF | osg::StateAttribute::PROTECTED);
    stateSet->setRenderingHint(osg::StateSet::TRANSPARENT_BIN);

    for (unsigned i = 0; i < cellCount; ++i)
        panel->addChild(createCell(i, color));

    // The vertices are rewritten on every resize, so they must not be frozen in display lists.
    DisplayListVisitor noDisplayLists(false);
    panel->accept(noDisplayLists);
    DataVarianceVisitor dynamicVariance(osg::Object::DYNAMIC);
    panel->accept(dynamicVariance);

    resize(panel, width, height);
    return panel;
}

void NinePiecePanel::resize(osg::Group* panel, int width, int height)
{
    if (!panel || width < minimumSize || height < minimumSize)
        return;
    for (unsigned i = 0; i < cellCount && i < panel->getNumChildren(); ++i) {
        osg::Geode* geode = panel->getChild(i)->asGeode();
        osg::Geometry* geometry = geode && geode->getNumDrawables() ? geode->getDrawable(0)->asGeometry() : nullptr;
        osg::Vec3Array* vertices = geometry ? dynamic_cast<osg::Vec3Array*>(geometry->getVertexArray()) : nullptr;
        if (!vertices || vertices->size() < 4)
            continue;
        float x0 = 0.0f, w = 0.0f, y0 = 0.0f, h = 0.0f;
        cellSpan(i % 3, width, x0, w);
        cellSpan(i / 3, height, y0, h);
        const float z = -0.1f;
        (*vertices)[0].set(x0, y0, z);
        (*vertices)[1].set(x0 + w, y0, z);
        (*vertices)[2].set(x0 + w, y0 + h, z);
        (*vertices)[3].set(x0, y0 + h, z);
        vertices->dirty();
        geometry->dirtyBound();
    }
}

} // namespace osgKELVO
