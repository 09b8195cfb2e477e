#include <Maris/WakeSource.h>

#include "wakes/WakeManager.h"

#include <algorithm>
#include <cmath>

namespace Maris {

namespace {

const double gravity = 9.81;
const double twoPi = 6.283185307179586;
// Below this speed (metres per second) a vessel raises no wake.
const double restingSpeed = 0.1;

} // namespace

WakeSource::WakeSource(WakeManager* managerIn, double lengthMeters, double beamMeters)
    : manager(managerIn), speed(0.0), length(lengthMeters), beam(beamMeters), spacing(200.0),
      maximumRadius(0.0), lastTime(0.0), lastWaveTime(0.0), lastSprayTime(0.0), waveCount(0),
      propellerWash(false), sprayEnabled(true), placed(false), emittedWave(false),
      emittedSpray(false)
{
    const double metersPerUnit = manager ? manager->GetMetersPerUnit() : 1.0;
    length /= metersPerUnit;
    beam /= metersPerUnit;
    spacing /= metersPerUnit;
    maximumRadius = 25.0 * length;
    if (manager)
        manager->RegisterSource(this);
}

WakeSource::~WakeSource()
{
    if (manager)
        manager->UnregisterSource(this);
}

void WakeSource::Update(double time, const Vector3& newPosition)
{
    if (!manager)
        return;
    if (!placed || time <= lastTime) {
        if (!placed)
            position = newPosition;
        placed = true;
        lastTime = time;
        return;
    }
    const Vector3 travel = newPosition - position;
    speed = travel.Length() / (time - lastTime);
    if (travel.SquaredLength() > 0.0)
        heading = travel.Normalized();
    position = newPosition;
    lastTime = time;

    if (speed * manager->GetMetersPerUnit() < restingSpeed)
        return;
    if (!emittedWave || time - lastWaveTime >= manager->GetWaveGenerationPeriod())
        EmitWave(time);
    if (sprayEnabled && (!emittedSpray || time - lastSprayTime >= manager->GetSprayGenerationPeriod()))
        EmitSpray(time);
}

void WakeSource::EmitWave(double time)
{
    const double metersPerUnit = manager->GetMetersPerUnit();
    const double speedMeters = speed * metersPerUnit;
    const double lengthMeters = length * metersPerUnit;
    const double kelvin = twoPi * speedMeters * speedMeters / gravity;
    const double wavelengthMeters = std::clamp(kelvin, 1.0, std::max(1.0, 2.0 * lengthMeters));

    WakeWave wave;
    wave.wavelength = wavelengthMeters / metersPerUnit;
    // Deep-water group speed: half the phase speed of the wave.
    wave.expansionSpeed = 0.5 * std::sqrt(gravity * wavelengthMeters / twoPi) / metersPerUnit;
    wave.birthTime = time;
    wave.position = position;
    wave.propellerPosition = position - heading * (length * 0.5);
    wave.radius = beam;
    wave.sizeA = length;
    wave.sizeB = beam;
    wave.maximumRadius = maximumRadius;
    wave.number = waveCount++;
    wave.persistent = false;
    wave.source = this;
    manager->AddWave(wave);
    lastWaveTime = time;
    emittedWave = true;
}

void WakeSource::EmitSpray(double time)
{
    WakeSprayRequest request;
    request.position = position + heading * (length * 0.5);
    request.ownDirection = false;
    // The bow throws spray up about as fast as the vessel moves, at least 4 m/s, so that it clears
    // the surface from the half particle depth the burst starts at.
    request.speed = std::max(4.0 / manager->GetMetersPerUnit(), speed);
    request.time = time;
    request.size = manager->GetSprayParticleSize();
    request.transparency = static_cast<float>(manager->GetSprayTransparency());
    request.positionVariance = manager->GetSprayPositionVariation();
    manager->AddSprayRequest(request);
    lastSprayTime = time;
    emittedSpray = true;
}

} // namespace Maris
