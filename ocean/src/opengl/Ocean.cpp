#include <Maris/Ocean.h>

#include "core/Configuration.h"
#include <Maris/Environment.h>
#include "opengl/FFTWaterModelOpenGL.h"
#include "waves/GerstnerWaterModel.h"
#include "opengl/GerstnerWaterModelOpenGL.h"
#include <Maris/Matrix3.h>
#include <Maris/Message.h>
#include <Maris/OceanClient.h>
#include "opengl/OceanLightingModelOpenGL.h"
#include "opengl/OpenGLEntryPoints.h"
#include "spray/ParticleSystemManager.h"
#include "opengl/ProjectedGridOpenGL.h"
#include "opengl/SprayManagerOpenGL.h"
#include "opengl/WakeManagerOpenGL.h"

#include <algorithm>
#include <cmath>

namespace Maris {

Ocean* Ocean::Create(Environment* environment, WaterModelType type, bool fftEngineFlag,
                     bool breakingWaves)
{
    if (!environment) {
        Message("Null environment passed into Ocean::Create");
        return nullptr;
    }
    Ocean* ocean = new Ocean(environment, type, fftEngineFlag, breakingWaves);
    if (!ocean->initialized) {
        delete ocean;
        return nullptr;
    }
    environment->AddOcean(ocean);
    return ocean;
}

Ocean::Ocean(Environment* env, WaterModelType type, bool engineFlag, bool breakingWaves)
    : initialized(false), fftEngineFlag(engineFlag), environment(env), grid(nullptr),
      wakeManager(nullptr), particleSystemManager(new ParticleSystemManager()),
      sprayManager(nullptr), waveDirection(0.0f), sprayEnabled(true),
      kelvinWakes(Configuration::Get(ConfigKey::WakeKelvinWakes)),
      displacementDampingDistance(Configuration::Get(ConfigKey::FFTDisplacementDampingDistance)),
      simulatedSinceLastDraw(false), waterModelType(type),
      lastSimulationTime(0.0), simulationSteps(0)
{
    Construct(breakingWaves);
}

void Ocean::Construct(bool breakingWaves)
{
    if (environment)
        displacementDampingDistance /= environment->GetMetersPerUnit();
    if (!environment) {
        Message("Null environment passed into Ocean constructor!");
        return;
    }
    const int resolution = environment->GetGridResolution();
    const double metersPerUnit = environment->GetMetersPerUnit();
    const Renderer renderer = environment->GetRenderer();

    // The Direct3D renderers are not built on this platform; they count as invalid.
    if (renderer >= OpenGL2 && renderer <= OpenGL41) {
        // An environment whose initialization failed early has not fetched the entry points the
        // grid needs; the host's context is current here, so fetch them rather than call null.
        ResolveOpenGLEntryPoints();
        grid = new ProjectedGridOpenGL(breakingWaves);
        wakeManager = new WakeManagerOpenGL(metersPerUnit, particleSystemManager);
        sprayManager = new SprayManagerOpenGL(environment);
    } else if (renderer == NoRenderer) {
        grid = new ProjectedGrid(breakingWaves);
        wakeManager = new WakeManager(metersPerUnit, particleSystemManager);
    } else {
        Message("Invalid renderer in Ocean constructor.");
    }

    if (grid && !grid->Initialize(environment, waterModelType,
                                  static_cast<std::uint32_t>(std::max(resolution, 2)))) {
        Message("Failed to initialize projected grid. Did you create your Ocean from a different "
                "thread than the one you created your graphics context in?");
        return;
    }

    if (grid && wakeManager && sprayManager) {
        Matrix3 basis;
        const CoordinateSystem system = environment->GetCoordinateSystem();
        if (system == FlatZUp || system == FlatYUp)
            basis = grid->GetBasis();
        if (!wakeManager->Initialize(grid, basis, environment, grid->GetShader(),
                                     grid->GetPatchShader())) {
            Message("Failed to initialize the wake manager.");
            return;
        }
        if (!sprayManager->Initialize(grid)) {
            Message("Failed to initialize the spray manager.");
            return;
        }
    }

    WaterModel* waterModel = nullptr;
    OceanLightingModel* lightingModel = nullptr;
    const bool openGL = renderer >= OpenGL2 && renderer <= OpenGL41;
    if (waterModelType == GerstnerWaves) {
        if (openGL) {
            waterModel = new GerstnerWaterModelOpenGL(environment);
            lightingModel = new OceanLightingModelOpenGL(environment);
        } else if (renderer == NoRenderer) {
            waterModel = new GerstnerWaterModel(environment);
        }
    } else if (waterModelType >= PhillipsSpectrum && waterModelType <= JONSWAPSpectrum) {
        if (openGL) {
            waterModel = new FFTWaterModelOpenGL(environment, waterModelType);
            lightingModel = new OceanLightingModelOpenGL(environment);
        } else if (renderer == NoRenderer) {
            waterModel = new FFTWaterModel(environment, waterModelType);
        }
    } else {
        Message("Invalid water model type in Ocean constructor.");
    }

    if (!grid || !waterModel) {
        Message("Unable to create grid and associated models.");
        delete waterModel;
        delete lightingModel;
        return;
    }

    if (!waterModel->Initialize(grid->GetShader(), grid->GetPatchShader(), fftEngineFlag)) {
        Message("Water model failed to initialize.");
        delete waterModel;
        delete lightingModel;
        return;
    }
    grid->SetWaterModel(waterModel);
    initialized = true;

    if (lightingModel && wakeManager) {
        if (!lightingModel->Initialize(grid->GetShader(), grid->GetPatchShader())) {
            delete lightingModel;
            return;
        }
        grid->SetLightingModel(lightingModel);
        grid->SetWakeManager(wakeManager);
    } else {
        delete lightingModel;
        Message("Lighting model failed to initialize.");
    }
}

Ocean::~Ocean()
{
    for (OceanClient* client : clients)
        client->OceanDestroyed();
    clients.clear();
    if (environment)
        environment->RemoveOcean(this);
    delete grid;
    delete particleSystemManager;
    delete wakeManager;
    delete sprayManager;
}

void Ocean::RegisterClient(OceanClient* client)
{
    if (client && std::find(clients.begin(), clients.end(), client) == clients.end())
        clients.push_back(client);
}

void Ocean::UnregisterClient(OceanClient* client) { clients.remove(client); }

void Ocean::ComputeWaveDirection()
{
    WaterModel* model = grid ? grid->GetWaterModel() : nullptr;
    if (!environment || !model)
        return;
    double speed = 0.0;
    double direction = 0.0;
    double fetch = 0.0;
    environment->GetWind(environment->GetCameraPosition(), speed, direction, fetch);

    Vector3 floorNormal;
    const double depth = model->GetDepth(floorNormal);
    if (floorNormal == environment->GetUpVector()) {
        waveDirection = static_cast<float>(direction);
    } else {
        // Over shallow water the waves turn towards the shore direction.
        float shoreDirection = 0.0f;
        model->GetShore(shoreDirection);
        const double f = std::min(1.0, std::max(0.0, std::exp(-0.1 * depth)));
        waveDirection = static_cast<float>((1.0 - f) * direction + f * shoreDirection);
    }
    model->SetWaveDirection(waveDirection);
}

void Ocean::UpdateSimulation(double time)
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    if (time == lastSimulationTime)
        return;
    WaterModel* model = grid ? grid->GetWaterModel() : nullptr;
    if (model && environment) {
        ComputeWaveDirection();
        model->UpdateSimulation(time);
    }
    simulatedSinceLastDraw = true;
    lastSimulationTime = time;
    ++simulationSteps;
}

void Ocean::DrawParticles(double time, const double* boundingBox)
{
    particleSystemManager->Update(time);
    if (sprayEnabled && sprayManager)
        sprayManager->Update(time, waveDirection, boundingBox);
}

void Ocean::Draw(double time, bool depthWrites, bool drawWater, bool drawParticles)
{
    // The step and the drawing hold the lock together, so that a host stepping on another
    // thread never lands between them.
    std::lock_guard<std::recursive_mutex> guard(lock);
    if (drawWater && !simulatedSinceLastDraw) {
        UpdateSimulation(time);
        simulatedSinceLastDraw = false;
    }

    if (wakeManager && environment && drawWater)
        wakeManager->Update(environment->GetCameraPosition(), time);

    if (grid && environment) {
        grid->Update();
        grid->PushState();
        grid->ResetState();
        if (drawWater)
            grid->Draw(time, depthWrites);
        if (drawParticles && grid->IsAboveWater())
            DrawParticles(time, nullptr);
        grid->PopState();
    }
    // The next draw steps the simulation itself unless the host steps it first.
    simulatedSinceLastDraw = false;
}

bool Ocean::DrawPatch(double time, int stride, const void* vertices, bool doubles,
                      const double* modelMatrix)
{
    if (waterModelType == GerstnerWaves)
        return false;
    std::lock_guard<std::recursive_mutex> guard(lock);
    if (!simulatedSinceLastDraw) {
        UpdateSimulation(time);
        simulatedSinceLastDraw = false;
    }
    if (wakeManager && environment)
        wakeManager->Update(environment->GetCameraPosition(), time);
    if (!grid || !environment)
        return false;
    grid->Update();
    grid->PushState();
    return grid->DrawPatch(time, stride, vertices, doubles, modelMatrix);
}

void Ocean::DrawSpray(double time, const double* boundingBox)
{
    if (waterModelType == GerstnerWaves || !grid)
        return;
    grid->UnbindProgram();
    if (boundingBox) {
        std::lock_guard<std::recursive_mutex> guard(lock);
        if (environment && grid->IsAboveWater())
            DrawParticles(time, boundingBox);
    }
    grid->PopState();
}

} // namespace Maris
