#include "wakes/WakeManager.h"

#include "core/Configuration.h"
#include <Maris/Environment.h>
#include "spray/ParticleSystem.h"
#include "core/SeaFrame.h"
#include <Maris/WakeSource.h>

#include <algorithm>
#include <cmath>

namespace Maris {

double WakeManager::maximumAmplitude = 2.0;
double WakeManager::minimumAmplitude = 0.01;

namespace {

const double twoPi = 6.2831853;

// Row vector times matrix, the convention of the sea's basis.
Vector3 RowTimes(const Vector3& v, const Matrix3& m)
{
    return m.Transposed() * v;
}

} // namespace

WakeManager::WakeManager(double metersPerUnitIn, ParticleSystemManager* particleSystemManagerIn)
    : wavePeriod(5.0), sprayPeriod(1.0), gridShader(0), patchShader(0), environment(nullptr),
      nextSpraySystem(0), maxSprays(10), sprayParticles(10), sprayVelocityVariation(0.2),
      sprayPositionVariation(2.0), sprayParticleSize(5.0), spraySizeVariation(0.2),
      sprayDirectionVariation(0.2), sprayTransparency(0.5), metersPerUnit(metersPerUnitIn),
      washLength(1000.0), particleSystemManager(particleSystemManagerIn), frame(nullptr)
{
    if (metersPerUnit <= 0.0)
        metersPerUnit = 1.0;
    wavePeriod = Configuration::Get(ConfigKey::WakeWaveGenerationPeriod);
    sprayPeriod = Configuration::Get(ConfigKey::WakeSprayGenerationPeriod);
    const int maxSpraysValue = Configuration::Get(ConfigKey::WakeMaxSprays);
    const int sprayParticlesValue = Configuration::Get(ConfigKey::WakeSprayParticles);
    sprayVelocityVariation = Configuration::Get(ConfigKey::WakeSprayVelocityVariation);
    sprayPositionVariation = Configuration::Get(ConfigKey::WakeSprayPositionVariation);
    sprayParticleSize = Configuration::Get(ConfigKey::WakeSprayParticleSize);
    spraySizeVariation = Configuration::Get(ConfigKey::WakeSpraySizeVariation);
    sprayDirectionVariation = Configuration::Get(ConfigKey::WakeSprayDirectionVariation);
    sprayTransparency = Configuration::Get(ConfigKey::WakeSprayTransparency);
    washLength = Configuration::Get(ConfigKey::WakeWashLength);
    maxSprays = static_cast<std::uint32_t>(std::max(0, maxSpraysValue));
    sprayParticles = static_cast<std::uint32_t>(std::max(0, sprayParticlesValue));
    sprayPositionVariation /= metersPerUnit;
    sprayParticleSize /= metersPerUnit;
    washLength /= metersPerUnit;
    spraySystems.assign(maxSprays, nullptr);
}

WakeManager::~WakeManager()
{
    // The spray systems belong to the particle-system manager.
    for (WakeSource* source : sources)
        source->WakeManagerDestroyed();
}

bool WakeManager::Initialize(const SeaFrame* frameIn, const Matrix3& basisIn,
                             Environment* environmentIn, std::uint32_t gridProgram,
                             std::uint32_t patchProgram)
{
    frame = frameIn;
    gridShader = gridProgram;
    patchShader = patchProgram;
    basis = basisIn;
    environment = environmentIn;
    return true;
}

bool WakeManager::PrepareShader(Environment*)
{
    return false;
}

bool WakeManager::PreparePatchShader(Environment*)
{
    return false;
}

ParticleSystem* WakeManager::GetSpraySystem(std::uint32_t index) const
{
    return index < spraySystems.size() ? spraySystems[index] : nullptr;
}

void WakeManager::RegisterSource(WakeSource* source)
{
    if (source)
        sources.push_back(source);
}

void WakeManager::UnregisterSource(WakeSource* source)
{
    sources.remove(source);
    for (WakeWave& wave : waves)
        if (wave.source == source)
            wave.source = nullptr;
}

void WakeManager::Update(const Vector3& camera, double time)
{
    cameraPosition = camera;
    StartSprayRequests();
    for (auto wave = waves.begin(); wave != waves.end();) {
        if (AgeWave(*wave, time, metersPerUnit))
            ++wave;
        else
            wave = waves.erase(wave);
    }
    RebuildDrawList();
}

void WakeManager::StartSprayRequests()
{
    for (const WakeSprayRequest& request : sprayRequests) {
        ParticleSystem* system = GetSpraySystem(nextSpraySystem);
        if (system && environment) {
            const Vector3 up = environment->GetUpVector();
            const Vector3 start = request.position - up * (request.size * 0.5);
            const Vector3 direction = request.ownDirection ? request.direction : up;
            system->Start(request.time, direction, sprayDirectionVariation, request.speed,
                          sprayVelocityVariation * request.speed, start, request.positionVariance,
                          request.size, spraySizeVariation * request.size);
            system->SetTransparency(request.transparency);
        }
        if (maxSprays > 0)
            nextSpraySystem = (nextSpraySystem + 1) % maxSprays;
    }
    sprayRequests.clear();
}

bool WakeManager::AgeWave(WakeWave& wave, double time, double metersPerUnitIn)
{
    if (wave.persistent)
        return true;
    const double age = time - wave.birthTime;
    const double scale = Configuration::Get(ConfigKey::WakeWaveScale);
    const double fade = Configuration::Get(ConfigKey::WakeFadeInTime);

    wave.radius = wave.expansionSpeed * age + wave.sizeB;
    double a = scale * (wave.wavelength / 7.0) / std::cbrt(wave.radius / metersPerUnitIn);

    if (!wave.source) {
        wave.washWidth = 0.0;
    } else {
        const double d = (wave.source->GetPosition() - wave.position).Length();
        if (d == 0.0)
            return true;
        wave.washWidth = 0.5 * (4.0 / std::pow(4.0 * wave.sizeA / wave.sizeB, 2.0 / 9.0)) *
                         std::pow(wave.sizeB, 7.0 / 9.0) * std::pow(d, 2.0 / 9.0);
    }
    a = std::min(a, maximumAmplitude / metersPerUnitIn);
    wave.amplitude = age <= fade ? a * age / fade : a;
    return a > minimumAmplitude / metersPerUnitIn && wave.radius < wave.maximumRadius;
}

void WakeManager::RebuildDrawList()
{
    Vector<WakeWave> sorted(waves.begin(), waves.end());
    std::stable_sort(sorted.begin(), sorted.end(), [](const WakeWave& a, const WakeWave& b) {
        if (a.source != b.source)
            return std::less<const WakeSource*>()(a.source, b.source);
        return a.number < b.number;
    });

    drawList.clear();
    const WakeSource* current = nullptr;
    bool first = true;
    std::uint32_t step = 0;
    const WakeWave* previous = nullptr;
    for (const WakeWave& wave : sorted) {
        if (!wave.source) {
            drawList.push_back(wave);
            drawList.back().deltaPosition = Vector3();
            continue;
        }
        if (first || wave.source != current) {
            current = wave.source;
            first = false;
            previous = nullptr;
            const double spacing = current->GetSpacing();
            step = spacing > 0.0 ? static_cast<std::uint32_t>(std::floor(
                                       (cameraPosition - current->GetPosition()).Length() / spacing))
                                 : 0;
        }
        const std::uint32_t count = current->GetWaveCount();
        const bool newest = wave.number + 1 == count || wave.number + 2 == count;
        if (step == 0 || newest || wave.number % step == 0) {
            WakeWave copy = wave;
            copy.deltaPosition =
                previous ? previous->propellerPosition - copy.propellerPosition : Vector3();
            drawList.push_back(copy);
            if (!copy.persistent)
                previous = &wave;
        }
    }

    const Vector3 camera = cameraPosition;
    std::stable_sort(drawList.begin(), drawList.end(),
                     [&camera](const WakeWave& a, const WakeWave& b) {
                         if (a.source != b.source)
                             return std::less<const WakeSource*>()(a.source, b.source);
                         return (a.position - camera).SquaredLength() <
                                (b.position - camera).SquaredLength();
                     });
}

float WakeManager::GetHeight(const Vector3& position, const SeaFrame* frameIn, Vector3* normal)
{
    if (normal)
        *normal = Vector3(0.0, 0.0, 1.0);
    if (!environment || !frameIn)
        return 0.0f;
    double height = 0.0;
    double sx = 0.0;
    double sy = 0.0;
    for (const WakeWave& wave : waves) {
        const Vector3 d = position - wave.position;
        const double r = d.Length();
        if (std::fabs(r - wave.radius) < wave.wavelength * 0.5) {
            const double phase = (r - wave.radius) * twoPi / wave.wavelength;
            height += wave.amplitude * std::cos(phase);
            if (r > 0.0) {
                // The gradient of the ring's cosine, so that the normal follows its slope.
                const double slope =
                    -wave.amplitude * std::sin(phase) * (twoPi / wave.wavelength) / r;
                sx += d.x * slope;
                sy += d.y * slope;
            }
        }
    }
    if (normal) {
        Vector3 local(-sx, -sy, 1.0);
        local.Normalize();
        *normal = RowTimes(local, frameIn->GetInverseBasis());
    }
    return static_cast<float>(height);
}

} // namespace Maris
