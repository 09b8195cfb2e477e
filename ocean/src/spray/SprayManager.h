#pragma once

#include <Maris/Containers.h>
#include <Maris/Matrix3.h>
#include <Maris/MemObject.h>
#include <Maris/Vector3.h>

namespace Maris {

class Environment;
class ParticleSystem;
class SeaFrame;
class SprayPositionSource;

// Throws spray where waves break: each frame it takes the breaking points of the wave model,
// repeats them over the 3 x 3 wave tiles around the camera, keeps the visible, near and (by
// sparsity) chosen ones and emits a particle at each. Settings come from the fft-spray keys and
// are read again before every update; spray is produced only when fft-enable-spray is true.
class SprayManager : public MemObject
{
public:
    explicit SprayManager(Environment* environment);
    virtual ~SprayManager();

    // Fails without the sea's frame or environment.
    virtual bool Initialize(const SeaFrame* frame);
    // waveDirection in radians; box (minimum x, y, z, maximum x, y, z) limits the spray, or null.
    virtual void Update(double time, float waveDirection, const double* box);

    // The breaking points come from here, or else from the frame's wave model when it is a
    // source (FFT water); Gerstner water has none, and no spray.
    void SetSprayPositionSource(SprayPositionSource* source) { positionSource = source; }
    ParticleSystem* GetParticleSystem() const { return particleSystem; }

    bool IsSprayEnabled() const { return enableSpray; }
    int GetMaxSprays() const { return maxSprays; }
    int GetSparsity() const { return sparsity; }
    float GetTransparency() const { return transparency; }
    float GetGravity() const { return gravity; }
    // The points kept by the last update, in world coordinates.
    const Vector<Vector3>& GetEmittedPoints() const { return keptPoints; }

protected:
    void ReadConfiguration();
    // World-to-local basis of the sea in the flat coordinate systems (rows, row-vector convention).
    Matrix3 FlatBasis() const;

    Environment* environment;
    const SeaFrame* frame;
    ParticleSystem* particleSystem;

    bool enableSpray;
    int maxSprays;
    float directionVariance;
    float velocity;
    float velocityVariance;
    float positionVariance;
    float particleSize;
    float particleSizeVariance;
    float positionLead;
    float transparency;
    int sparsity;
    float originDepth;
    float gravity;
    float cullDistanceSquared;

private:
    SprayManager(const SprayManager&) = delete;
    SprayManager& operator=(const SprayManager&) = delete;

    SprayPositionSource* positionSource;
    Vector<Vector3> keptPoints;
};

} // namespace Maris
