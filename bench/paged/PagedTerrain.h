#pragma once

#include <osg/Vec2d>

#include <string>

// A paged level-of-detail terrain: a root file with one PagedLOD a tile, each drawing a coarse
// grid inline until the camera comes near and the pager reads the tile's fine grid from a file of
// its own; beside it a second root with the coarse grids alone. Heights come from a fixed function
// of the position, so the same layout always writes the same database.
class PagedTerrain
{
public:
    // A few tiles, for tests.
    static PagedTerrain small();
    // 16 x 16 tiles of 180 x 180 cells: 16.6 million triangles at full detail.
    static PagedTerrain large();

    PagedTerrain(int tilesPerSide, int fineCells, int coarseCells, double tileSize);

    // Ground height in metres at (x, y), in metres from the centre of the terrain.
    static double height(double x, double y);

    // Writes the root, the coarse root and the tiles into directory (which must exist), tiles in
    // tileExtension's format; false with the reason otherwise.
    bool write(const std::string& directory, const std::string& rootExtension,
               const std::string& tileExtension, std::string* problem) const;

    static std::string rootPath(const std::string& directory, const std::string& extension);
    static std::string coarseRootPath(const std::string& directory, const std::string& extension);

    // A corner of the fine grid of tile (i, j) that is no corner of its coarse grid.
    osg::Vec2d fineOnlyPoint(int i, int j) const;
    double extent() const { return tilesPerSide * tileSize; }
    // Tiles are fine within this distance of their centre.
    double fineRange() const { return 1.5 * tileSize; }
    long long fineTriangles() const;

private:
    osg::Vec2d tileOrigin(int i, int j) const;

    int tilesPerSide;
    int fineCells;
    int coarseCells;
    double tileSize;
};
