#pragma once

#include <Maris/MemObject.h>
#include <Maris/Vector3.h>

#include <cstdint>

namespace Maris {

class Environment;
class FFT;
class SeaFrame;

// Base of the wave models. It holds the settings every model shares (choppiness, depth, the shore
// values, the loop period) and the interface through which the ocean steps the simulation and
// the projected grid prepares its shaders and sizes its projection.
class WaterModel : public MemObject
{
public:
    explicit WaterModel(Environment* environment);
    virtual ~WaterModel();

    // Remembers the grid's main and patch programs; engineFlag is the ocean's fftEngineFlag.
    virtual bool Initialize(std::uint32_t gridShader, std::uint32_t patchShader, bool engineFlag);
    // Once per new time stamp, from the ocean.
    virtual bool UpdateSimulation(double time);
    // With the grid's program bound, just before the grid or a patch is drawn.
    virtual bool PrepareShader(double time);
    virtual bool PreparePatchShader(double time);
    // Sum of the current wave amplitudes, world units: how far the surface leaves its plane.
    virtual double GetMaxAmplitude() const;
    // Two queries nothing asks in this system; both answer false.
    virtual bool IsFFTOnGPU() const;
    virtual bool HasBreakingWaves() const;
    virtual const char* GetFFTName() const;
    virtual FFT* GetFFT() const;
    // Height of the surface above the sea plane at a world position; the normal in the local
    // frame (x, y, up).
    virtual float GetHeight(const Vector3& position, const SeaFrame* frame,
                            Vector3& normal) const = 0;

    // Depth in world units; the floor normal, or the environment's up vector when none is set.
    float GetDepth(Vector3& floorNormal) const;
    // The shore value; the direction the waves turn to over shallow water, radians.
    float GetShore(float& direction) const;

    void SetDepth(float value) { depth = value; }
    void SetShore(float value, float direction)
    {
        shoreValue = value;
        shoreDirection = direction;
    }
    void SetFloorNormal(const Vector3& normal) { floorNormal = normal; }
    void SetLoopPeriod(float seconds) { loopPeriod = seconds; }
    float GetLoopPeriod() const { return loopPeriod; }
    float GetChoppiness() const { return choppiness; }
    void SetChoppiness(float value) { choppiness = value; }
    // Written by the ocean before every simulation step.
    void SetWaveDirection(float radians) { waveDirection = radians; }
    float GetWaveDirection() const { return waveDirection; }

    Environment* GetEnvironment() const { return environment; }
    std::uint32_t GetGridShader() const { return gridShader; }
    std::uint32_t GetPatchShader() const { return patchShader; }

protected:
    float choppiness;
    float depth;
    float shoreValue;
    float shoreDirection;
    float loopPeriod;
    Vector3 floorNormal;
    Environment* environment;
    std::uint32_t gridShader;
    std::uint32_t patchShader;
    double maxAmplitude;
    float waveDirection;

private:
    WaterModel(const WaterModel&) = delete;
    WaterModel& operator=(const WaterModel&) = delete;
};

} // namespace Maris
