// One frame of the demo world in its 1024 x 768 window, with the sea (FFT waves, sky, planar
// reflection of the whole scene) and without it, side by side in one run. The viewer is built in
// this process in a staged runtime tree and drawn either single-threaded, so that a frame's time is
// its whole update, cull and draw, or with the threading the viewer chooses itself, which is what a
// user gets (a draw thread beside the main thread, but one thread on a software renderer that the
// viewer adapts to). On this machine's llvmpipe the draw dominates.

#include "environment/EnvironmentController.h"
#include "app/KELVOview.h"
#include "water/PlanarReflection.h"

#include "RuntimeTree.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <regex>
#include <string>

namespace {

// water: 0 none, 1 the sea as shipped (on a software renderer the lighter one), 2 that sea
// without its planar reflection (what the extra render of the scene costs), 3 the sea at the
// configured quality whatever the renderer.
void BM_DemoFrame(benchmark::State& state)
{
    const bool water = state.range(0) != 0;
    kelvotest::RuntimeTree tree;
    std::string xml = tree.readConfiguration();
    xml = std::regex_replace(xml, std::regex("enableWater=\"[^\"]*\""), water ? "enableWater=\"1\"" : "enableWater=\"0\"");
    // The window of the shipped file without multisampling, so that both runs draw the same pixels.
    xml = std::regex_replace(xml, std::regex("numSamples=\"[^\"]*\""), "numSamples=\"0\"");
    if (state.range(0) == 3)
        xml = std::regex_replace(xml, std::regex("<Window "),
                                 "<Window adaptToSoftwareRenderer=\"0\" ");
    tree.writeConfiguration(xml);
    std::filesystem::current_path(tree.bin());

    osg::ref_ptr<osgKELVO::KELVOview> app = new osgKELVO::KELVOview;
    if (state.range(1) == 0)
        app->getViewer().setThreadingModel(osgViewer::ViewerBase::SingleThreaded);
    app->setConfigFileName(tree.configurationPath());
    app->build();
    // Warm up: the first frames build the environment, compile shaders and fill the FFT tables.
    for (int i = 0; i < 10; ++i)
        app->getViewer().frame();
    if (app->getEnvironmentController()->getEnableWater() != water)
        state.SkipWithError("the configuration did not take");
    if (state.range(0) == 2)
        app->getEnvironmentController()->getReflectionCamera()->setNodeMask(0);

    for (auto _ : state)
        app->getViewer().frame();
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    app->getViewer().removeEventHandler(app.get());
}

} // namespace

BENCHMARK(BM_DemoFrame)
    ->ArgNames({"water", "ownThreading"})
    ->ArgsProduct({{0, 1, 2, 3}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(5.0)
    ->UseRealTime();

BENCHMARK_MAIN();
