// The sea's frame cost on this machine's renderer. "ProcessorWork" repeats exactly what
// Ocean::Draw does on the processor for Gerstner water, in its order, without the draw call:
// the simulation step, the wake update, the grid's frame (basis and stretch) and the uniform
// set-up of wakes, waves and lighting. "WholeFrame" is Ocean::Draw itself plus glFinish, so
// that the renderer's work of the 512 x 512 grid at 1024 x 768 is included.
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>

#include "OceanScene.h"

#include "lighting/OceanLightingModel.h"
#include <Maris/Ocean.h>
#include "grid/ProjectedGrid.h"
#include "wakes/WakeManager.h"
#include "waves/WaterModel.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

struct Sea
{
    Sea()
        : scene([] {
              OceanScene::Options o;
              o.width = 1024;
              o.height = 768;
              o.configuration = "default-grid-resolution = 512";
              return o;
          }())
    {
        if (!scene.ready())
            return;
        scene.useSkyCubeMap();
        scene.lookAt(Maris::Vector3(0, 0, 40), Maris::Vector3(0, 1000, 0), 60.0);
        ocean.reset(Maris::Ocean::Create(&scene.environment(), Maris::GerstnerWaves, false, false));
    }
    ~Sea() { ocean.reset(); }
    OceanScene scene;
    std::unique_ptr<Maris::Ocean> ocean;
};

Sea& sea()
{
    static Sea instance;
    return instance;
}

void ProcessorWork(benchmark::State& state)
{
    Sea& s = sea();
    if (!s.ocean) {
        state.SkipWithError("no ocean");
        return;
    }
    Maris::Environment& environment = s.scene.environment();
    Maris::ProjectedGrid* grid = s.ocean->GetGrid();
    double time = 1.0;
    for (auto _ : state) {
        time += 1.0 / 60.0;
        s.ocean->UpdateSimulation(time);
        s.ocean->GetWakeManager()->Update(environment.GetCameraPosition(), time);
        grid->Update();
        benchmark::DoNotOptimize(grid->ComputeGridScale());
        grid->GetWakeManager()->PrepareShader(&environment);
        grid->GetWaterModel()->PrepareShader(time);
        grid->GetLightingModel()->SetUniforms();
    }
    glFinish();
}

void WholeFrame(benchmark::State& state)
{
    Sea& s = sea();
    if (!s.ocean) {
        state.SkipWithError("no ocean");
        return;
    }
    double time = 1000.0;
    for (auto _ : state) {
        time += 1.0 / 60.0;
        s.scene.clear(0.5f, 0.6f, 0.8f);
        s.ocean->Draw(time, true, true, true);
        glFinish();
    }
}

} // namespace

BENCHMARK(ProcessorWork)->Unit(benchmark::kMicrosecond);
BENCHMARK(WholeFrame)->Unit(benchmark::kMillisecond)->MinTime(3.0);

BENCHMARK_MAIN();
