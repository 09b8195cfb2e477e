#include "spray/SprayManager.h"

#include "core/Configuration.h"
#include <Maris/Environment.h>
#include "spray/ParticleSystem.h"
#include <Maris/RandomNumberGenerator.h>
#include "core/SeaFrame.h"
#include "core/SprayPositionSource.h"

#include <cmath>

namespace Maris {

namespace {

// Row vector times matrix, the convention of the sea's basis.
Vector3 RowTimes(const Vector3& v, const Matrix3& m)
{
    return m.Transposed() * v;
}

} // namespace

SprayManager::SprayManager(Environment* environmentIn)
    : environment(environmentIn), frame(nullptr), particleSystem(nullptr), enableSpray(false),
      maxSprays(10000), directionVariance(0.2f), velocity(0.7f), velocityVariance(0.5f),
      positionVariance(0.2f), particleSize(1.3f), particleSizeVariance(0.3f), positionLead(0.5f),
      transparency(1.0f), sparsity(4), originDepth(0.8f), gravity(9.81f),
      cullDistanceSquared(1000.0f * 1000.0f), positionSource(nullptr)
{
}

SprayManager::~SprayManager()
{
    delete particleSystem;
}

bool SprayManager::Initialize(const SeaFrame* frameIn)
{
    if (!frameIn || !environment)
        return false;
    frame = frameIn;
    ReadConfiguration();
    return true;
}

void SprayManager::ReadConfiguration()
{
    enableSpray = Configuration::Get(ConfigKey::FFTEnableSpray);
    maxSprays = Configuration::Get(ConfigKey::FFTMaxSprays);
    directionVariance = Configuration::Get(ConfigKey::FFTSprayDirectionVariance);
    velocity = Configuration::Get(ConfigKey::FFTSprayVelocity);
    velocityVariance = Configuration::Get(ConfigKey::FFTSprayVelocityVariance);
    positionVariance = Configuration::Get(ConfigKey::FFTSprayPositionVariance);
    particleSize = Configuration::Get(ConfigKey::FFTSprayParticleSize);
    particleSizeVariance = Configuration::Get(ConfigKey::FFTSprayParticleSizeVariance);
    positionLead = Configuration::Get(ConfigKey::FFTSprayPositionLead);
    transparency = Configuration::Get(ConfigKey::FFTSprayTransparency);
    sparsity = Configuration::Get(ConfigKey::FFTSpraySparsity);
    originDepth = Configuration::Get(ConfigKey::FFTSprayOriginDepth);
    gravity = Configuration::Get(ConfigKey::FFTSprayGravity);
    float cullDistance = Configuration::Get(ConfigKey::FFTSprayCullDistance);
    if (sparsity < 1)
        sparsity = 1;

    const float metersPerUnit = environment ? static_cast<float>(environment->GetMetersPerUnit())
                                            : 1.0f;
    positionVariance /= metersPerUnit;
    particleSize /= metersPerUnit;
    particleSizeVariance /= metersPerUnit;
    positionLead /= metersPerUnit;
    originDepth /= metersPerUnit;
    cullDistance /= metersPerUnit;
    cullDistanceSquared = cullDistance * cullDistance;
}

Matrix3 SprayManager::FlatBasis() const
{
    Matrix3 basis;
    if (environment && environment->GetCoordinateSystem() == FlatYUp) {
        const double yUp[9] = {1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, -1.0, 0.0};
        basis = Matrix3(yUp);
    }
    return basis;
}

void SprayManager::Update(double time, float waveDirection, const double* box)
{
    keptPoints.clear();
    if (!enableSpray || !environment || !frame)
        return;
    ReadConfiguration();
    // Without a source of its own, the wave model serves when it finds breaking waves.
    SprayPositionSource* source = positionSource;
    if (!source)
        source = frame->GetSprayPositionSource();
    if (!enableSpray || !source || !particleSystem)
        return;
    // Spray follows the flat sea's fixed basis; the round earth's moving frame is not served.
    const CoordinateSystem system = environment->GetCoordinateSystem();
    if (system != FlatZUp && system != FlatYUp)
        return;

    const Matrix3 basis = FlatBasis();
    const Matrix3 toWorld = basis.Inverse().Transposed();
    const Vector3& camera = environment->GetCameraPosition();
    const Vector3 localCamera = RowTimes(camera, basis);
    if (localCamera.z * localCamera.z > cullDistanceSquared)
        return;

    const float metersPerUnit = static_cast<float>(environment->GetMetersPerUnit());
    float tileX = Configuration::Get(ConfigKey::FFTGridSizeX);
    float tileY = Configuration::Get(ConfigKey::FFTGridSizeY);
    tileX /= metersPerUnit;
    tileY /= metersPerUnit;
    const double startX = localCamera.x - std::fmod(localCamera.x, static_cast<double>(tileX));
    const double startY = localCamera.y - std::fmod(localCamera.y, static_cast<double>(tileY));
    const double seaLevel = environment->GetSeaLevel();

    Vector<Vector3> tileOffsets;
    for (int i = -1; i <= 1; ++i) {
        for (int j = -1; j <= 1; ++j) {
            const Vector3 offset(startX + i * tileX, startY + j * tileY, 0.0);
            const Vector3 centre = toWorld * Vector3(offset.x + tileX * 0.5, offset.y + tileY * 0.5,
                                                     seaLevel);
            if (!environment->CullSphere(centre, tileX * 0.5))
                tileOffsets.push_back(offset);
        }
    }

    double windSpeed = 0.0;
    double windDirection = 0.0;
    double fetch = 0.0;
    environment->GetWind(camera, windSpeed, windDirection, fetch);
    const Vector3 localDirection(-std::cos(waveDirection), std::sin(waveDirection), 0.0);
    const Vector3 sprayDirection = toWorld * localDirection;

    RandomNumberGenerator* random = environment->GetRandomNumberGenerator();
    for (const Vector3& point : source->GetSprayPositions()) {
        for (const Vector3& offset : tileOffsets) {
            Vector3 local = point + offset;
            local.z += seaLevel - originDepth;
            local = local + localDirection * positionLead;
            const Vector3 world = toWorld * local;
            if ((world - camera).SquaredLength() > cullDistanceSquared)
                continue;
            if (environment->CullSphere(world, particleSize))
                continue;
            if (box && (world.x < box[0] || world.y < box[1] || world.z < box[2] ||
                        world.x > box[3] || world.y > box[4] || world.z > box[5]))
                continue;
            if (random->GetRandomInt(0, 32768) % sparsity != 0)
                continue;
            keptPoints.push_back(world);
        }
    }

    particleSystem->Emit(time, keptPoints, sprayDirection, directionVariance,
                         velocity * windSpeed, velocityVariance, positionVariance, particleSize,
                         particleSizeVariance);
    particleSystem->Draw(time);
}

} // namespace Maris
