// demo-world CONTENT_DIR [--probe]
// Generates the demo world that the shipped configuration opens: the coast terrain in two looks,
// its buildings, the power line's building blocks, pylon list and wire files, and the information
// points' label files. --probe only prints heights along the line and at the places.

#include "CoastHeightField.h"
#include "DemoWorld.h"
#include "HeightGrid.h"
#include "PlaceNames.h"
#include "PowerlineRoute.h"
#include "PylonBlocks.h"
#include "Settlements.h"
#include "TerrainModel.h"
#include "TerrainTextures.h"

#include <osgDB/WriteFile>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

bool writeText(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out);
}

bool writeModel(const fs::path& path, const osg::Node& node)
{
    fs::create_directories(path.parent_path());
    if (osgDB::writeNodeFile(node, path.string()))
        return true;
    std::fprintf(stderr, "could not write %s\n", path.string().c_str());
    return false;
}

void probe(const CoastHeightField& field, const PowerlineRoute& line)
{
    for (const auto& pylon : line.pylons())
        std::printf("pylon %2d at (%7.1f, %7.1f) ground %6.1f heading %6.1f gon drop %.2f\n", pylon.number,
                    pylon.scene.x(), pylon.scene.y(), pylon.scene.z(), pylon.headingGon, pylon.footingDrop);
    std::printf("lowest conductor clearance %.1f m\n", line.lowestClearance());
    for (double x = -4000; x <= 4000; x += 500) {
        double shore = -4000;
        for (double y = -4000; y < 4000; y += 10)
            if (field.height(x, y) < 0.0)
                shore = y;
        std::printf("x %6.0f: sea up to y %6.0f\n", x, shore);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CONTENT_DIR [--probe]\n", argv[0]);
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const fs::path content = argv[1];
    const CoastHeightField field;
    const PowerlineRoute line(field, DemoWorld::lineRoute(), DemoWorld::GeoOffset);
    if (argc > 2 && std::string(argv[2]) == "--probe") {
        probe(field, line);
        return 0;
    }

    bool ok = true;
    // 20 m mesh cells; texture heights at under 4 m.
    const HeightGrid mesh(field, 400, DemoWorld::HalfSize);
    const HeightGrid texels(field, 2048, DemoWorld::HalfSize);
    const TerrainTextures textures(field, texels);
    ok &= writeModel(content / "Models/Terrang.ive", *TerrainModel::build(mesh, textures.aerial().get(), "Terrang"));
    ok &= writeModel(content / "Models/Karta.ive", *TerrainModel::build(mesh, textures.map().get(), "Karta"));

    Settlements buildings(field, DemoWorld::lineRoute());
    buildings.church(DemoWorld::Church, 15.0);
    buildings.substation(DemoWorld::Substation, 30.0);
    buildings.lighthouse(DemoWorld::Lighthouse);
    buildings.boathouses(DemoWorld::Harbour + osg::Vec2d(-120, 0), DemoWorld::Harbour + osg::Vec2d(120, 0), 7);
    buildings.village({DemoWorld::Kelvo, 260.0, 34});
    buildings.village({DemoWorld::Norrby, 200.0, 18});
    buildings.village({DemoWorld::Ostergarden, 70.0, 3});
    ok &= writeModel(content / "Models/Bebyggelse.ive", *buildings.model());

    const fs::path powerline = content / "Powerline";
    ok &= writeModel(powerline / "Building_blocks/Stolpkropp.ive", *PylonBlocks::body());
    ok &= writeModel(powerline / "Building_blocks/Traversarm.ive", *PylonBlocks::crossArm(PylonBlocks::LongArm));
    ok &= writeModel(powerline / "Building_blocks/Traversarm_kort.ive", *PylonBlocks::crossArm(PylonBlocks::ShortArm));
    ok &= writeModel(powerline / "Building_blocks/Isolatorkedja.ive", *PylonBlocks::insulatorString());
    ok &= writeText(powerline / "Koordinatlista_Stolpar_KelvoView.txt", line.pylonList());
    for (int k = 0; k < 4; ++k)
        ok &= writeText(powerline / PowerlineRoute::wireName(k), line.wireFile(k));

    const PlaceNames names(field);
    ok &= writeText(content / "InfoPoints/Ortnamn.csv", names.places());
    ok &= writeText(content / "InfoPoints/Anlaggningar.csv", names.facilities());
    // The viewer caches the built labels; a stale cache would hide the new label files.
    std::error_code ignored;
    fs::remove(content / "InfoPoints/InfoPoints.ive", ignored);

    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("demo world: %zu pylons, %zu buildings, lowest conductor clearance %.1f m, %.1f s\n",
                line.pylons().size(), buildings.buildings(), line.lowestClearance(), seconds);
    return ok ? 0 : 1;
}
