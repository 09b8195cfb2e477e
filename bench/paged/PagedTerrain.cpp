#include "PagedTerrain.h"

#include <osg/Geode>
#include <osg/Geometry>
#include <osg/PagedLOD>
#include <osgDB/WriteFile>

#include <cfloat>
#include <cmath>
#include <string>

namespace {

osg::ref_ptr<osg::Geode> grid(const osg::Vec2d& origin, double size, int cells)
{
    const int n = cells + 1;
    const double step = size / cells;
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    osg::ref_ptr<osg::Vec3Array> normals = new osg::Vec3Array;
    vertices->reserve(n * n);
    normals->reserve(n * n);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const double x = origin.x() + i * step, y = origin.y() + j * step;
            const double h = PagedTerrain::height(x, y);
            vertices->push_back(osg::Vec3(x, y, h));
            osg::Vec3 normal(h - PagedTerrain::height(x + 1.0, y),
                             h - PagedTerrain::height(x, y + 1.0), 1.0);
            normal.normalize();
            normals->push_back(normal);
        }
    // Tiles stay under 65536 corners, so short indices halve what the triangles take.
    osg::ref_ptr<osg::DrawElementsUShort> triangles =
        new osg::DrawElementsUShort(GL_TRIANGLES);
    triangles->reserve(6 * cells * cells);
    for (int j = 0; j < cells; ++j)
        for (int i = 0; i < cells; ++i) {
            const unsigned short k = static_cast<unsigned short>(j * n + i);
            for (int corner : {0, 1, n + 1, 0, n + 1, n})
                triangles->push_back(static_cast<unsigned short>(k + corner));
        }
    osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
    geometry->setUseVertexBufferObjects(true);
    geometry->setVertexArray(vertices);
    geometry->setNormalArray(normals, osg::Array::BIND_PER_VERTEX);
    geometry->addPrimitiveSet(triangles);
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(geometry);
    return geode;
}

std::string tileName(int i, int j, const std::string& extension)
{
    return "tile_" + std::to_string(i) + "_" + std::to_string(j) + "." + extension;
}

bool writeNode(const osg::Node& node, const std::string& path, std::string* problem)
{
    if (osgDB::writeNodeFile(node, path))
        return true;
    if (problem)
        *problem = "Cannot write " + path;
    return false;
}

} // namespace

PagedTerrain PagedTerrain::small()
{
    return PagedTerrain(2, 16, 4, 100.0);
}

PagedTerrain PagedTerrain::large()
{
    return PagedTerrain(16, 180, 12, 500.0);
}

PagedTerrain::PagedTerrain(int tilesPerSide, int fineCells, int coarseCells, double tileSize)
    : tilesPerSide(tilesPerSide), fineCells(fineCells), coarseCells(coarseCells),
      tileSize(tileSize)
{
}

double PagedTerrain::height(double x, double y)
{
    return 30.0 * std::sin(x / 410.0) * std::cos(y / 330.0) +
           9.0 * std::sin((x + 2.0 * y) / 131.0) + 2.5 * std::sin(x / 29.0) * std::sin(y / 37.0) + 40.0;
}

std::string PagedTerrain::rootPath(const std::string& directory, const std::string& extension)
{
    return directory + "/terrain." + extension;
}

std::string PagedTerrain::coarseRootPath(const std::string& directory,
                                         const std::string& extension)
{
    return directory + "/terrain-coarse." + extension;
}

osg::Vec2d PagedTerrain::tileOrigin(int i, int j) const
{
    return osg::Vec2d((i - 0.5 * tilesPerSide) * tileSize, (j - 0.5 * tilesPerSide) * tileSize);
}

osg::Vec2d PagedTerrain::fineOnlyPoint(int i, int j) const
{
    // Half a coarse cell in from the corner lies between coarse corners in both directions.
    const int fine = fineCells / coarseCells / 2;
    const double offset = fine * tileSize / fineCells;
    return tileOrigin(i, j) + osg::Vec2d(offset, offset);
}

long long PagedTerrain::fineTriangles() const
{
    return 2LL * fineCells * fineCells * tilesPerSide * tilesPerSide;
}

bool PagedTerrain::write(const std::string& directory, const std::string& rootExtension,
                         const std::string& tileExtension, std::string* problem) const
{
    osg::ref_ptr<osg::Group> root = new osg::Group;
    osg::ref_ptr<osg::Group> coarseRoot = new osg::Group;
    for (int j = 0; j < tilesPerSide; ++j)
        for (int i = 0; i < tilesPerSide; ++i) {
            const osg::Vec2d origin = tileOrigin(i, j);
            osg::ref_ptr<osg::Geode> fine = grid(origin, tileSize, fineCells);
            fine->setName(tileName(i, j, tileExtension));
            if (!writeNode(*fine, directory + "/" + fine->getName(), problem))
                return false;
            osg::ref_ptr<osg::Geode> coarse = grid(origin, tileSize, coarseCells);
            osg::ref_ptr<osg::PagedLOD> tile = new osg::PagedLOD;
            const osg::Vec2d centre = origin + osg::Vec2d(tileSize, tileSize) * 0.5;
            tile->setCenterMode(osg::LOD::USER_DEFINED_CENTER);
            tile->setCenter(osg::Vec3(centre.x(), centre.y(), height(centre.x(), centre.y())));
            tile->setRadius(static_cast<float>(tileSize));
            tile->addChild(coarse, static_cast<float>(fineRange()), FLT_MAX);
            tile->setFileName(1, fine->getName());
            tile->setRange(1, 0.0f, static_cast<float>(fineRange()));
            root->addChild(tile);
            coarseRoot->addChild(coarse);
        }
    return writeNode(*root, rootPath(directory, rootExtension), problem) &&
           writeNode(*coarseRoot, coarseRootPath(directory, rootExtension), problem);
}
