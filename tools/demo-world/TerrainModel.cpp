#include "TerrainModel.h"

#include <osg/Geometry>
#include <osg/Texture2D>

#include <algorithm>

osg::ref_ptr<osg::Geode> TerrainModel::build(const HeightGrid& grid, osg::Image* texture, const std::string& name)
{
    const int cells = grid.cells(), n = cells + 1;
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array(n * n);
    osg::ref_ptr<osg::Vec3Array> normals = new osg::Vec3Array(n * n);
    osg::ref_ptr<osg::Vec2Array> texCoords = new osg::Vec2Array(n * n);
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            const int k = j * n + i;
            (*vertices)[k].set(static_cast<float>(grid.x(i)), static_cast<float>(grid.y(j)),
                               static_cast<float>(grid.at(i, j)));
            (*texCoords)[k].set(static_cast<float>(i) / cells, static_cast<float>(j) / cells);
            const int l = std::max(i - 1, 0), r = std::min(i + 1, cells);
            const int d = std::max(j - 1, 0), u = std::min(j + 1, cells);
            osg::Vec3 normal(static_cast<float>(-(grid.at(r, j) - grid.at(l, j)) / ((r - l) * grid.spacing())),
                             static_cast<float>(-(grid.at(i, u) - grid.at(i, d)) / ((u - d) * grid.spacing())), 1.0f);
            normal.normalize();
            (*normals)[k] = normal;
        }
    }

    osg::ref_ptr<osg::DrawElementsUInt> triangles = new osg::DrawElementsUInt(GL_TRIANGLES);
    triangles->reserve(static_cast<std::size_t>(cells) * cells * 6);
    for (int j = 0; j < cells; ++j) {
        for (int i = 0; i < cells; ++i) {
            const unsigned a = j * n + i, b = a + 1, c = a + n, d = c + 1;
            for (unsigned index : {a, b, d, a, d, c})
                triangles->push_back(index);
        }
    }

    osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
    geometry->setVertexArray(vertices);
    geometry->setNormalArray(normals, osg::Array::BIND_PER_VERTEX);
    geometry->setTexCoordArray(0, texCoords, osg::Array::BIND_PER_VERTEX);
    osg::ref_ptr<osg::Vec4Array> colors = new osg::Vec4Array;
    colors->push_back(osg::Vec4(1.0f, 1.0f, 1.0f, 1.0f));
    geometry->setColorArray(colors, osg::Array::BIND_OVERALL);
    geometry->addPrimitiveSet(triangles);

    osg::ref_ptr<osg::Texture2D> map = new osg::Texture2D(texture);
    map->setWrap(osg::Texture::WRAP_S, osg::Texture::CLAMP_TO_EDGE);
    map->setWrap(osg::Texture::WRAP_T, osg::Texture::CLAMP_TO_EDGE);
    map->setFilter(osg::Texture::MIN_FILTER, osg::Texture::LINEAR_MIPMAP_LINEAR);
    map->setFilter(osg::Texture::MAG_FILTER, osg::Texture::LINEAR);
    geometry->getOrCreateStateSet()->setTextureAttributeAndModes(0, map);

    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->setName(name);
    geode->addDrawable(geometry);
    return geode;
}
