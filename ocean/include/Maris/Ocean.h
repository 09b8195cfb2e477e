#pragma once

#include <Maris/Containers.h>
#include <Maris/EnvironmentClient.h>
#include <Maris/MemObject.h>
#include <Maris/WaterModelType.h>

#include <mutex>

namespace Maris {

class Environment;
class OceanClient;
class ParticleSystemManager;
class ProjectedGrid;
class SprayManager;
class WakeManager;

// The sea a host draws: it owns the projected grid (which holds the wave and lighting models),
// the wake manager, the spray manager and the particle-system manager, picks their variants from
// the environment's renderer, and steps and draws them under one lock, so that a host may step the
// simulation on one thread while another draws.
class Ocean : public MemObject, public EnvironmentClient
{
public:
    // Null (with a message) when the ocean cannot be built. fftEngineFlag is handed unchanged to
    // the FFT engine's set-up (the engines of this build do not act on it); breakingWaves builds
    // the grid shaders with breaking waves. Must run on the thread that owns the OpenGL context.
    static Ocean* Create(Environment* environment, WaterModelType type, bool fftEngineFlag,
                         bool breakingWaves);

    virtual ~Ocean();
    // Steps the simulation first when the host has not done so since the last draw.
    virtual void Draw(double time, bool depthWrites, bool drawWater, bool drawParticles);
    // FFT water only: sets the grid's patch program up for the host's own geometry (3 components
    // per vertex, doubles or floats) and leaves the OpenGL state saved for DrawSpray.
    virtual bool DrawPatch(double time, int stride, const void* vertices, bool doubles,
                           const double* modelMatrix);
    // FFT water only: the particles (spray limited to the box when given); restores the state.
    virtual void DrawSpray(double time, const double* boundingBox);
    virtual void UpdateSimulation(double time);

    void EnvironmentDestroyed() override { environment = nullptr; }

    void RegisterClient(OceanClient* client);
    void UnregisterClient(OceanClient* client);

    Environment* GetEnvironment() const { return environment; }
    ProjectedGrid* GetGrid() const { return grid; }
    WakeManager* GetWakeManager() const { return wakeManager; }
    SprayManager* GetSprayManager() const { return sprayManager; }
    ParticleSystemManager* GetParticleSystemManager() const { return particleSystemManager; }
    WaterModelType GetWaterModelType() const { return waterModelType; }
    float GetWaveDirection() const { return waveDirection; }
    bool IsInitialized() const { return initialized; }
    bool GetKelvinWakes() const { return kelvinWakes; }
    double GetDisplacementDampingDistance() const { return displacementDampingDistance; }
    void SetSprayEnabled(bool on) { sprayEnabled = on; }
    bool IsSprayEnabled() const { return sprayEnabled; }
    double GetLastSimulationTime() const { return lastSimulationTime; }
    // How many simulation steps have run (for hosts that watch the stepping).
    unsigned long GetSimulationSteps() const { return simulationSteps; }

protected:
    Ocean(Environment* environment, WaterModelType type, bool fftEngineFlag, bool breakingWaves);

private:
    Ocean(const Ocean&) = delete;
    Ocean& operator=(const Ocean&) = delete;

    void Construct(bool breakingWaves);
    void ComputeWaveDirection();
    void DrawParticles(double time, const double* boundingBox);

    bool initialized;
    bool fftEngineFlag;
    Environment* environment;
    ProjectedGrid* grid;
    WakeManager* wakeManager;
    ParticleSystemManager* particleSystemManager;
    SprayManager* sprayManager;
    float waveDirection;
    bool sprayEnabled;
    bool kelvinWakes;
    double displacementDampingDistance;
    std::recursive_mutex lock;
    bool simulatedSinceLastDraw;
    WaterModelType waterModelType;
    double lastSimulationTime;
    List<OceanClient*> clients;
    unsigned long simulationSteps;
};

} // namespace Maris
