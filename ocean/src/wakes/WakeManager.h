#pragma once

#include <Maris/Containers.h>
#include <Maris/Matrix3.h>
#include <Maris/MemObject.h>
#include <Maris/Vector3.h>
#include "wakes/WakeSprayRequest.h"
#include "wakes/WakeWave.h"

#include <cstdint>

namespace Maris {

class Environment;
class ParticleSystem;
class ParticleSystemManager;
class SeaFrame;
class WakeSource;

// Keeps the rings that moving wake sources leave on the sea: ages them every update (they grow,
// fade in over wake-fade-in-time and weaken with their radius), drops the spent ones, chooses the
// ones the shaders see (nearest first, thinned by distance per source), answers height queries
// that include them, and turns queued spray requests into bursts of its wake spray systems, which
// it reuses in turn.
//
// Waves and spray requests come from wake sources (WakeSource) or from the host directly.
//
// Two process-wide limits bound every non-persistent wave, in metres: its amplitude is clamped to
// the maximum (default 2 m, about the largest wake a big ship raises) and it is dropped once its
// amplitude is no more than the minimum (default 0.01 m, where a ring no longer shows).
class WakeManager : public MemObject
{
public:
    WakeManager(double metersPerUnit, ParticleSystemManager* particleSystemManager);
    virtual ~WakeManager();

    // basis: world-to-local basis of the sea (row vector times matrix); the identity in geocentric
    // systems. gridProgram and patchProgram: the programs the sea is drawn with, which receive the
    // wake uniforms (0 for none).
    virtual bool Initialize(const SeaFrame* frame, const Matrix3& basis, Environment* environment,
                            std::uint32_t gridProgram, std::uint32_t patchProgram);
    // Set the wake uniforms of the grid's main or patch program; the base has none.
    virtual bool PrepareShader(Environment* environment);
    virtual bool PreparePatchShader(Environment* environment);
    virtual bool D3D9DeviceLost() { return true; }
    virtual bool D3D9DeviceReset() { return true; }
    // The summed height of the rings at the position (0 without environment or frame); normal,
    // when given, receives the surface normal of the rings in world axes.
    virtual float GetHeight(const Vector3& position, const SeaFrame* frame, Vector3* normal);

    // Per frame: starts the queued spray, ages the waves and rebuilds the draw list.
    void Update(const Vector3& cameraPosition, double time);

    void AddWave(const WakeWave& wave) { waves.push_back(wave); }
    void AddSprayRequest(const WakeSprayRequest& request) { sprayRequests.push_back(request); }

    const List<WakeWave>& GetWaves() const { return waves; }
    const Vector<WakeWave>& GetDrawList() const { return drawList; }
    const List<WakeSprayRequest>& GetSprayRequests() const { return sprayRequests; }
    std::uint32_t GetMaxSprays() const { return maxSprays; }
    ParticleSystem* GetSpraySystem(std::uint32_t index) const;
    std::uint32_t GetNextSpraySystem() const { return nextSpraySystem; }

    double GetMetersPerUnit() const { return metersPerUnit; }
    double GetWaveGenerationPeriod() const { return wavePeriod; }
    double GetSprayGenerationPeriod() const { return sprayPeriod; }
    double GetSprayParticleSize() const { return sprayParticleSize; }
    double GetSprayPositionVariation() const { return sprayPositionVariation; }
    double GetSprayTransparency() const { return sprayTransparency; }
    double GetWashLength() const { return washLength; }
    Environment* GetEnvironment() const { return environment; }

    // In metres; they apply to every wake manager of the process.
    static void SetMaximumWaveAmplitude(double meters) { maximumAmplitude = meters; }
    static double GetMaximumWaveAmplitude() { return maximumAmplitude; }
    static void SetMinimumWaveAmplitude(double meters) { minimumAmplitude = meters; }
    static double GetMinimumWaveAmplitude() { return minimumAmplitude; }

    // Wake sources register themselves, so that each learns when its manager goes, and the
    // manager learns when a source goes (its waves then stay, without a source).
    void RegisterSource(WakeSource* source);
    void UnregisterSource(WakeSource* source);

    // Brings the wave to the time: false when it is spent and must go.
    static bool AgeWave(WakeWave& wave, double time, double metersPerUnit);

protected:
    void StartSprayRequests();
    void RebuildDrawList();

    double wavePeriod;
    double sprayPeriod;
    std::uint32_t gridShader;
    std::uint32_t patchShader;
    List<WakeWave> waves;
    Vector<WakeWave> drawList;
    Vector<ParticleSystem*> spraySystems;
    List<WakeSprayRequest> sprayRequests;
    Environment* environment;
    std::uint32_t nextSpraySystem;
    std::uint32_t maxSprays;
    std::uint32_t sprayParticles;
    double sprayVelocityVariation;
    double sprayPositionVariation;
    double sprayParticleSize;
    double spraySizeVariation;
    double sprayDirectionVariation;
    double sprayTransparency;
    double metersPerUnit;
    double washLength;
    Matrix3 basis;
    ParticleSystemManager* particleSystemManager;
    const SeaFrame* frame;
    Vector3 cameraPosition;

private:
    WakeManager(const WakeManager&) = delete;
    WakeManager& operator=(const WakeManager&) = delete;

    List<WakeSource*> sources;

    static double maximumAmplitude;
    static double minimumAmplitude;
};

} // namespace Maris
