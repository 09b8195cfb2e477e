#pragma once

#include <Maris/MemObject.h>
#include <Maris/Vector3.h>

#include <cstdint>

namespace Maris {

class WakeManager;

// A moving wake source (a vessel) on the sea of one wake manager. The host creates it with the
// vessel's length and beam and moves it every frame with Update. While it moves it leaves a ring
// at its position every wake-wave-generation-period seconds and, when spray is on, a burst of
// spray at its bow every wake-spray-generation-period seconds:
//
//     Maris::WakeSource boat(wakeManager, 40.0, 8.0);   // metres
//     boat.SetPropellerWash(true);
//     ...each frame: boat.Update(time, position);       // world units, seconds
//
// Each ring's wavelength is that of the vessel's transverse Kelvin wave, 2 pi v^2 / g, kept
// between 1 m and twice the length; it expands at that wave's group speed and lives until its
// radius reaches the maximum radius (by default 25 lengths) or the manager's amplitude limit
// drops it. Bow spray is thrown up at the vessel's speed (at least 4 m/s). The spacing thins the rings the shaders get: at a distance of k spacings from the
// camera only every k-th ring (and the two newest) is drawn.
//
// The source registers with its manager; destroying it leaves its rings on the sea without a
// source. When the manager goes first, Update does nothing more.
class WakeSource : public MemObject
{
public:
    WakeSource(WakeManager* manager, double lengthMeters, double beamMeters);
    virtual ~WakeSource();

    // Moves the source; emits waves and spray requests as they fall due. The first call only
    // places it. Time in seconds, position in world units.
    void Update(double time, const Vector3& position);

    const Vector3& GetPosition() const { return position; }
    // Unit direction of travel (the last non-zero one); zero before the source has moved.
    const Vector3& GetHeading() const { return heading; }
    // World units per second, from the last two updates.
    double GetSpeed() const { return speed; }
    std::uint32_t GetWaveCount() const { return waveCount; }

    void SetPropellerWash(bool on) { propellerWash = on; }
    bool HasPropellerWash() const { return propellerWash; }
    // World units; 0 turns thinning off. Default 200 m.
    void SetSpacing(double worldUnits) { spacing = worldUnits; }
    double GetSpacing() const { return spacing; }
    // Radius, in world units, at which a ring is dropped. Default 25 lengths.
    void SetMaximumRadius(double worldUnits) { maximumRadius = worldUnits; }
    double GetMaximumRadius() const { return maximumRadius; }
    void SetSprayEnabled(bool on) { sprayEnabled = on; }
    bool IsSprayEnabled() const { return sprayEnabled; }

    // In world units.
    double GetLength() const { return length; }
    double GetBeam() const { return beam; }
    WakeManager* GetWakeManager() const { return manager; }
    // Called by the manager from its destructor.
    void WakeManagerDestroyed() { manager = nullptr; }

private:
    WakeSource(const WakeSource&) = delete;
    WakeSource& operator=(const WakeSource&) = delete;

    void EmitWave(double time);
    void EmitSpray(double time);

    WakeManager* manager;
    Vector3 position;
    Vector3 heading;
    double speed;
    double length;
    double beam;
    double spacing;
    double maximumRadius;
    double lastTime;
    double lastWaveTime;
    double lastSprayTime;
    std::uint32_t waveCount;
    bool propellerWash;
    bool sprayEnabled;
    bool placed;
    bool emittedWave;
    bool emittedSpray;
};

} // namespace Maris
