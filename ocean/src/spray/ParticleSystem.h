#pragma once

#include <Maris/Containers.h>
#include <Maris/MemObject.h>
#include <Maris/Vector3.h>

#include <cstdint>

namespace Maris {

class Environment;
class SeaFrame;

// A set of spray particles animated on the GPU: the processor only writes each particle's start
// state (position, velocity, size, start time) once, and the vertex shader moves it ballistically
// from the current time. The particles live in a ring of slots that later emissions overwrite.
class ParticleSystem : public MemObject
{
public:
    explicit ParticleSystem(Environment* environment);
    virtual ~ParticleSystem();

    // texture and program are renderer names; capacity counts particles.
    virtual bool Initialize(std::uint32_t texture, std::uint32_t program, std::uint32_t capacity,
                            const SeaFrame* frame) = 0;
    // One burst from one point: fills every slot, with each random offset kept in the local
    // horizontal plane, and sets the end time from the burst's ballistics.
    virtual bool Start(double time, const Vector3& direction, double directionVariance,
                       double speed, double speedVariance, const Vector3& position,
                       double positionVariance, double size, double sizeVariance) = 0;
    // One particle per point, written into the next slots of the ring.
    virtual bool Emit(double time, const Vector<Vector3>& points, const Vector3& direction,
                      double directionVariance, double speed, double speedVariance,
                      double positionVariance, double size, double sizeVariance) = 0;
    virtual void Draw(double time) = 0;

    // After this time no particle of the system is above the sea; the manager stops drawing it.
    double GetEndTime() const { return endTime; }
    double GetLastEmissionTime() const { return lastEmissionTime; }
    std::uint32_t GetNextSlot() const { return nextSlot; }
    void SetTransparency(float value) { transparency = value; }
    float GetTransparency() const { return transparency; }
    // Metres per second squared.
    void SetGravity(float value) { gravity = value; }
    float GetGravity() const { return gravity; }
    bool GetPureAdditiveBlend() const { return pureAdditiveBlend; }
    Environment* GetEnvironment() const { return environment; }

    // The time at which a particle thrown up at upwardSpeed from startHeight above the sea comes
    // back down to it (world units; gravity in metres per second squared): startTime plus the later
    // root of the ballistic quadratic, or 0 when it has no real root (or there is no gravity).
    static double BurstEndTime(double startTime, double startHeight, double upwardSpeed,
                               double gravity, double metersPerUnit);

    // Start times are stored relative to the time of the first emission of any system, so that
    // they stay precise as floats.
    static bool HasReferenceTime() { return referenceTimeSet; }
    static double GetReferenceTime() { return referenceTime; }
    // Forgets the reference time (hosts that restart their clock, and tests).
    static void ResetReferenceTime() { referenceTimeSet = false; referenceTime = 0.0; }

protected:
    // Records the emission time, and the reference time if there is none yet.
    void NoteEmission(double time);

    double lastEmissionTime;
    double endTime;
    Environment* environment;
    const SeaFrame* frame;
    std::uint32_t nextSlot;
    float transparency;
    float gravity;
    float inverseSizeFactor;
    bool pureAdditiveBlend;

private:
    ParticleSystem(const ParticleSystem&) = delete;
    ParticleSystem& operator=(const ParticleSystem&) = delete;

    static double referenceTime;
    static bool referenceTimeSet;
};

} // namespace Maris
