// terrain-generator OUTPUT CELLS SIZE SEED
// Writes a square textured terrain of CELLS x CELLS quads (2 triangles each) covering SIZE metres,
// centred on the origin, as one geometry with its color texture embedded.

#include "TerrainHeightField.h"

#include <osg/Geode>
#include <osg/Geometry>
#include <osg/Image>
#include <osg/Texture2D>
#include <osgDB/WriteFile>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

osg::Vec3f colorForHeight(double height, double slope)
{
    const osg::Vec3f meadow(0.36f, 0.52f, 0.23f);
    const osg::Vec3f forest(0.20f, 0.34f, 0.16f);
    const osg::Vec3f rock(0.50f, 0.47f, 0.42f);
    const osg::Vec3f sand(0.76f, 0.70f, 0.52f);
    float t = static_cast<float>(std::clamp((height - 20.0) / 140.0, 0.0, 1.0));
    osg::Vec3f color = meadow * (1.0f - t) + forest * t;
    if (height < 5.0)
        color = sand;
    const float r = static_cast<float>(std::clamp((slope - 0.35) / 0.4, 0.0, 1.0));
    return color * (1.0f - r) + rock * r;
}

osg::ref_ptr<osg::Image> makeTexture(const TerrainHeightField& field, int size)
{
    osg::ref_ptr<osg::Image> image = new osg::Image;
    image->allocateImage(size, size, 1, GL_RGB, GL_UNSIGNED_BYTE);
    const double step = 1.0 / size;
    for (int j = 0; j < size; ++j) {
        for (int i = 0; i < size; ++i) {
            const double u = (i + 0.5) * step, v = (j + 0.5) * step;
            const double h = field.height(u, v);
            const double dx = (field.height(u + step, v) - h) / (step * 4000.0);
            const double dy = (field.height(u, v + step) - h) / (step * 4000.0);
            osg::Vec3f c = colorForHeight(h, std::sqrt(dx * dx + dy * dy));
            unsigned char* p = image->data(i, j);
            for (int k = 0; k < 3; ++k)
                p[k] = static_cast<unsigned char>(std::clamp(c[k] * 255.0f, 0.0f, 255.0f));
        }
    }
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s OUTPUT CELLS SIZE SEED\n", argv[0]);
        return 2;
    }
    const std::string output = argv[1];
    const int cells = std::max(1, std::atoi(argv[2]));
    const double size = std::atof(argv[3]);
    const TerrainHeightField field(static_cast<std::uint32_t>(std::strtoul(argv[4], nullptr, 10)));

    const int n = cells + 1;
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array(n * n);
    osg::ref_ptr<osg::Vec3Array> normals = new osg::Vec3Array(n * n);
    osg::ref_ptr<osg::Vec2Array> texCoords = new osg::Vec2Array(n * n);
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            const double u = static_cast<double>(i) / cells, v = static_cast<double>(j) / cells;
            const int k = j * n + i;
            (*vertices)[k].set(static_cast<float>((u - 0.5) * size), static_cast<float>((v - 0.5) * size),
                               static_cast<float>(field.height(u, v)));
            (*texCoords)[k].set(static_cast<float>(u), static_cast<float>(v));
        }
    }
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            const osg::Vec3f& left = (*vertices)[j * n + std::max(i - 1, 0)];
            const osg::Vec3f& right = (*vertices)[j * n + std::min(i + 1, cells)];
            const osg::Vec3f& down = (*vertices)[std::max(j - 1, 0) * n + i];
            const osg::Vec3f& up = (*vertices)[std::min(j + 1, cells) * n + i];
            osg::Vec3f normal = (right - left) ^ (up - down);
            normal.normalize();
            (*normals)[j * n + i] = normal;
        }
    }

    osg::ref_ptr<osg::DrawElementsUInt> triangles = new osg::DrawElementsUInt(GL_TRIANGLES);
    triangles->reserve(static_cast<size_t>(cells) * cells * 6);
    for (int j = 0; j < cells; ++j) {
        for (int i = 0; i < cells; ++i) {
            const unsigned a = j * n + i, b = a + 1, c = a + n, d = c + 1;
            triangles->push_back(a); triangles->push_back(b); triangles->push_back(d);
            triangles->push_back(a); triangles->push_back(d); triangles->push_back(c);
        }
    }

    osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
    geometry->setVertexArray(vertices);
    geometry->setNormalArray(normals, osg::Array::BIND_PER_VERTEX);
    geometry->setTexCoordArray(0, texCoords, osg::Array::BIND_PER_VERTEX);
    osg::ref_ptr<osg::Vec4Array> colors = new osg::Vec4Array(1);
    (*colors)[0].set(1.0f, 1.0f, 1.0f, 1.0f);
    geometry->setColorArray(colors, osg::Array::BIND_OVERALL);
    geometry->addPrimitiveSet(triangles);

    osg::ref_ptr<osg::Texture2D> texture = new osg::Texture2D(makeTexture(field, 512));
    texture->setWrap(osg::Texture::WRAP_S, osg::Texture::CLAMP_TO_EDGE);
    texture->setWrap(osg::Texture::WRAP_T, osg::Texture::CLAMP_TO_EDGE);
    texture->setFilter(osg::Texture::MIN_FILTER, osg::Texture::LINEAR_MIPMAP_LINEAR);
    geometry->getOrCreateStateSet()->setTextureAttributeAndModes(0, texture);

    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->setName("Terrain");
    geode->addDrawable(geometry);

    if (!osgDB::writeNodeFile(*geode, output)) {
        std::fprintf(stderr, "could not write %s\n", output.c_str());
        return 1;
    }
    return 0;
}
