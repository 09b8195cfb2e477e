// paged-terrain-generator DIRECTORY [small|large] [ROOT-EXTENSION [TILE-EXTENSION]]
// Writes a paged terrain (terrain.ROOT, terrain-coarse.ROOT and one file a fine tile) into
// DIRECTORY, which must exist. Extensions default to osgb.

#include "PagedTerrain.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    const std::string preset = argc > 2 ? argv[2] : "large";
    if (argc < 2 || argc > 5 || (preset != "small" && preset != "large")) {
        std::fprintf(stderr, "usage: %s DIRECTORY [small|large] [ROOT-EXTENSION [TILE-EXTENSION]]\n",
                     argv[0]);
        return 2;
    }
    const std::string rootExtension = argc > 3 ? argv[3] : "osgb";
    const std::string tileExtension = argc > 4 ? argv[4] : "osgb";
    const PagedTerrain terrain = preset == "small" ? PagedTerrain::small() : PagedTerrain::large();
    std::string problem;
    if (!terrain.write(argv[1], rootExtension, tileExtension, &problem)) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        return 1;
    }
    std::printf("%lld triangles at full detail in %s\n", terrain.fineTriangles(),
                PagedTerrain::rootPath(argv[1], rootExtension).c_str());
    return 0;
}
