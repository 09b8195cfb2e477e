// A fixed flight low over the large paged terrain, its tiles streaming through the viewer's
// pager, against the same flight over the terrain's coarse level alone: mean frame time and the
// peak resident memory sampled every frame. PAGED_FLIGHT_FRAMES shortens or lengthens the flight.

#include "PagedTerrain.h"
#include "scene/PagedTiles.h"
#include "scene/SceneController.h"

#include <benchmark/benchmark.h>
#include <osgDB/FileUtils>
#include <osgViewer/Viewer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

const std::string directory = PAGED_TERRAIN_DIR;
const char* const extension = "osgb";

struct FlightResult
{
    double meanFrameMs = 0.0;
    double peakResidentMB = 0.0;
};
FlightResult results[2];

double residentMB()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            double kilobytes = 0.0;
            status >> kilobytes;
            return kilobytes / 1024.0;
        }
        status.ignore(1 << 16, '\n');
    }
    return 0.0;
}

int flightFrames()
{
    const char* frames = std::getenv("PAGED_FLIGHT_FRAMES");
    return frames ? std::max(1, std::atoi(frames)) : 900;
}

// A circle at 150 m over the ground, looking ahead and down, once round in the flight.
osg::Matrixd viewAt(double t, double radius)
{
    const double angle = 2.0 * osg::PI * t;
    const osg::Vec3d eye(radius * std::cos(angle), radius * std::sin(angle), 0.0);
    const osg::Vec3d ahead(-std::sin(angle), std::cos(angle), 0.0);
    const osg::Vec3d ground(eye.x(), eye.y(), PagedTerrain::height(eye.x(), eye.y()));
    return osg::Matrixd::lookAt(ground + osg::Vec3d(0, 0, 150), ground + ahead * 400.0,
                                osg::Vec3d(0, 0, 1));
}

void fly(benchmark::State& state, bool paged)
{
    const std::string file = paged ? PagedTerrain::rootPath(directory, extension)
                                   : PagedTerrain::coarseRootPath(directory, extension);
    osg::ref_ptr<osg::GraphicsContext::Traits> traits = new osg::GraphicsContext::Traits;
    traits->readDISPLAY();
    traits->setUndefinedScreenDetailsToDefaultScreen();
    traits->width = 800;
    traits->height = 600;
    traits->pbuffer = true;
    osg::ref_ptr<osg::GraphicsContext> context =
        osg::GraphicsContext::createGraphicsContext(traits.get());
    if (!context) {
        state.SkipWithError("no OpenGL context");
        return;
    }
    osg::ref_ptr<osgViewer::Viewer> viewer = new osgViewer::Viewer;
    viewer->setThreadingModel(osgViewer::Viewer::SingleThreaded);
    osg::Camera* camera = viewer->getCamera();
    camera->setGraphicsContext(context);
    camera->setViewport(0, 0, traits->width, traits->height);
    camera->setProjectionMatrixAsPerspective(60.0, 800.0 / 600.0, 1.0, 20000.0);
    osg::ref_ptr<osg::Group> scene = new osg::Group;
    viewer->setSceneData(scene);
    osgKELVO::PagedTiles::limitResident(viewer->getDatabasePager());
    osg::ref_ptr<osgKELVO::SceneController> controller = new osgKELVO::SceneController(scene);
    controller->addModel("Terrain", file, 0, true);
    if (scene->getNumChildren() == 0) {
        state.SkipWithError("terrain missing");
        return;
    }
    viewer->realize();

    const int frames = flightFrames();
    const double radius = PagedTerrain::large().extent() * 0.35;
    FlightResult& result = results[paged ? 1 : 0];
    for (auto _ : state) {
        double totalMs = 0.0;
        for (int frame = 0; frame < frames; ++frame) {
            camera->setViewMatrix(viewAt(static_cast<double>(frame) / frames, radius));
            const auto start = std::chrono::steady_clock::now();
            viewer->frame();
            totalMs += std::chrono::duration<double, std::milli>(
                           std::chrono::steady_clock::now() - start)
                           .count();
            result.peakResidentMB = std::max(result.peakResidentMB, residentMB());
        }
        result.meanFrameMs = totalMs / frames;
    }
    state.counters["frames"] = frames;
    state.counters["mean_frame_ms"] = result.meanFrameMs;
    state.counters["peak_rss_MB"] = result.peakResidentMB;
}

// Coarse first: its peak is not lifted by what the paged flight leaves behind.
void BM_FlightCoarseOnly(benchmark::State& state) { fly(state, false); }
void BM_FlightPaged(benchmark::State& state) { fly(state, true); }

} // namespace

BENCHMARK(BM_FlightCoarseOnly)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_FlightPaged)->Iterations(1)->Unit(benchmark::kSecond);

int main(int argc, char** argv)
{
    const PagedTerrain terrain = PagedTerrain::large();
    // The coarse root is written last, so its presence means a whole database.
    if (!osgDB::fileExists(PagedTerrain::coarseRootPath(directory, extension))) {
        std::printf("Generating %lld triangles of paged terrain in %s\n", terrain.fineTriangles(),
                    directory.c_str());
        std::string problem;
        if (!osgDB::makeDirectory(directory) ||
            !terrain.write(directory, extension, extension, &problem)) {
            std::fprintf(stderr, "%s\n", problem.empty() ? directory.c_str() : problem.c_str());
            return 1;
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (results[0].meanFrameMs > 0.0 && results[1].meanFrameMs > 0.0)
        std::printf("paged / coarse only: frame time %.2f, peak resident memory %.2f\n",
                    results[1].meanFrameMs / results[0].meanFrameMs,
                    results[1].peakResidentMB / results[0].peakResidentMB);
    return 0;
}
