// One pickWorldPoint on a 2-million-triangle terrain, with and without k-d trees.

#include "hud/PickWorldPoint.h"

#include <benchmark/benchmark.h>
#include <osgDB/ReadFile>
#include <osgDB/Registry>
#include <osgViewer/Viewer>

namespace {

osg::ref_ptr<osg::Node> loadTerrain(bool kdTrees)
{
    osgDB::Registry::instance()->setBuildKdTreesHint(kdTrees ? osgDB::Options::BUILD_KDTREES
                                                             : osgDB::Options::DO_NOT_BUILD_KDTREES);
    // A fresh read each time: the object cache must not hand back the other variant.
    osg::ref_ptr<osgDB::Options> options = new osgDB::Options;
    options->setObjectCacheHint(osgDB::Options::CACHE_NONE);
    return osgDB::readNodeFile(BENCH_TERRAIN, options.get());
}

void pickOnTerrain(benchmark::State& state, bool kdTrees)
{
    osg::ref_ptr<osg::Node> terrain = loadTerrain(kdTrees);
    if (!terrain) {
        state.SkipWithError("terrain missing");
        return;
    }
    osg::ref_ptr<osgViewer::Viewer> viewer = new osgViewer::Viewer;
    viewer->setSceneData(terrain);
    osg::Camera* camera = viewer->getCamera();
    camera->setViewport(0, 0, 1024, 768);
    camera->setProjectionMatrixAsPerspective(45.0, 1024.0 / 768.0, 1.0, 100000.0);
    camera->setViewMatrixAsLookAt(osg::Vec3d(-3000, -3000, 1500), osg::Vec3d(0, 0, 0), osg::Vec3d(0, 0, 1));

    float x = 100.0f;
    int hits = 0;
    for (auto _ : state) {
        osg::Vec3f point;
        hits += osgKELVO::pickWorldPoint(viewer.get(), x, 384.0f, point) ? 1 : 0;
        x = x > 900.0f ? 100.0f : x + 37.0f;
    }
    state.counters["hit_rate"] = static_cast<double>(hits) / static_cast<double>(state.iterations());
}

void BM_PickWithKdTrees(benchmark::State& state) { pickOnTerrain(state, true); }
void BM_PickWithoutKdTrees(benchmark::State& state) { pickOnTerrain(state, false); }

} // namespace

BENCHMARK(BM_PickWithKdTrees)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PickWithoutKdTrees)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
