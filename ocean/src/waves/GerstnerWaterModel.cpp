#include "waves/GerstnerWaterModel.h"

#include "core/Configuration.h"
#include <Maris/Environment.h>
#include <Maris/Memory.h>
#include <Maris/Message.h>
#include "core/SeaFrame.h"
#include <Maris/RandomNumberGenerator.h>

#include <cmath>

namespace Maris {

GerstnerWaterModel::GerstnerWaterModel(Environment* env)
    : WaterModel(env), waveCount(0), waves(nullptr), medianWavelength(0.0), medianAmplitude(0.0),
      amplitudeRatio(0.0), time(0.0)
{
}

GerstnerWaterModel::~GerstnerWaterModel()
{
    FreeMemory(waves);
}

bool GerstnerWaterModel::Initialize(std::uint32_t shader, bool)
{
    if (shader == 0) {
        Message("Null shader passed into GerstnerWaterModel::Initialize");
        return false;
    }
    gridShader = shader;
    if (!environment)
        return false;

    const int count = Configuration::Get(ConfigKey::NumGerstnerWaves);
    if (count <= 0) {
        Message("Invalid num-gerstner-waves specified.");
        return false;
    }
    FreeMemory(waves);
    waves = static_cast<GerstnerWave*>(AllocateMemory(sizeof(GerstnerWave) * count));
    waveCount = count;

    const float steepness = Configuration::Get(ConfigKey::GerstnerWaveSteepness);
    if (steepness < 0.0f || steepness > 1.0f)
        Message("gerstner-waves-steepness should be between 0 and 1.");

    const double metersPerUnit = environment->GetMetersPerUnit();
    medianWavelength = Configuration::Get(ConfigKey::GerstnerMedianWavelengthMeters);
    medianWavelength /= metersPerUnit;
    if (!(medianWavelength > 0.0)) {
        Message("Invalid gerstner-median-wavelength-meters specified.");
        return false;
    }
    medianAmplitude = Configuration::Get(ConfigKey::GerstnerMedianAmplitudeMeters);
    medianAmplitude /= metersPerUnit;
    const double variance = Configuration::Get(ConfigKey::GerstnerDirectionalVarianceDegrees);

    amplitudeRatio = medianAmplitude / medianWavelength;
    const float gravity = 9.8f / static_cast<float>(metersPerUnit);
    maxAmplitude = 0.0;

    RandomNumberGenerator* random = environment->GetRandomNumberGenerator();
    for (int i = 0; i < waveCount; ++i) {
        GerstnerWave& wave = waves[i];
        // One wavelength draw, then one direction draw, per wave: the sequence is part of the
        // wave set's identity for a given generator.
        const double wavelength =
            random->GetRandomNumber(medianWavelength * 0.5, medianWavelength * 2.0);
        wave.wavelength = static_cast<float>(wavelength);
        wave.amplitude = static_cast<float>(wavelength * amplitudeRatio);
        maxAmplitude += wave.amplitude;
        wave.frequency = static_cast<float>(6.2831853 / wavelength);
        wave.phaseSpeed = std::sqrt(wave.frequency * gravity);
        wave.steepness = steepness / (wave.frequency * wave.amplitude * waveCount);
        wave.directionOffset = static_cast<float>(
            random->GetRandomNumber(-variance * 0.5, variance * 0.5) * 0.0174532925);
        wave.directionX = 0.0f;
        wave.directionY = 1.0f;
    }
    return true;
}

bool GerstnerWaterModel::PrepareShader(double when)
{
    if (!environment)
        return false;
    time = when;

    double speed = 0.0;
    double direction = 0.0;
    double fetch = 0.0;
    environment->GetWind(environment->GetCameraPosition(), speed, direction, fetch);

    // From here on the wind alone sets the amplitudes.
    amplitudeRatio = (2.0 * std::sqrt(speed) * 0.66 * 0.5) / medianWavelength;
    maxAmplitude = 0.0;
    for (int i = 0; i < waveCount; ++i) {
        GerstnerWave& wave = waves[i];
        wave.amplitude = static_cast<float>(wave.wavelength * amplitudeRatio);
        maxAmplitude += wave.amplitude;
        const double angle = wave.directionOffset + direction;
        wave.directionX = static_cast<float>(std::sin(angle));
        wave.directionY = static_cast<float>(std::cos(angle));
    }
    return true;
}

float GerstnerWaterModel::GetHeight(const Vector3& position, const SeaFrame* frame,
                                    Vector3& normal) const
{
    normal = Vector3(0.0, 0.0, 1.0);
    if (!environment || !frame)
        return 0.0f;

    double x = 0.0;
    double y = 0.0;
    if (environment->GetCoordinateSystem() >= FlatZUp) {
        const Matrix3& basis = frame->GetBasis();
        x = position.x * basis.elem[0][0] + position.y * basis.elem[1][0] +
            position.z * basis.elem[2][0];
        y = position.x * basis.elem[0][1] + position.y * basis.elem[1][1] +
            position.z * basis.elem[2][1];
    } else {
        const Vector3 up = environment->GetUpVector();
        const Vector3 east = frame->GetReferenceAxis().Cross(up);
        x = east.Dot(position);
        y = up.Cross(east).Dot(position);
    }

    float height = 0.0f;
    float nx = 0.0f;
    float ny = 0.0f;
    float nz = 0.0f;
    const float t = static_cast<float>(time);
    const float fx = static_cast<float>(x);
    const float fy = static_cast<float>(y);
    for (int i = 0; i < waveCount; ++i) {
        const GerstnerWave& wave = waves[i];
        const float phase =
            wave.frequency * (wave.directionX * fx + wave.directionY * fy) + wave.phaseSpeed * t;
        const float s = std::sin(phase);
        const float c = std::cos(phase);
        const float ka = wave.frequency * wave.amplitude;
        height += wave.amplitude * s;
        nx += wave.directionX * ka * c;
        ny += wave.directionY * ka * c;
        nz += wave.steepness * ka * s;
    }
    normal = Vector3(-nx, -ny, 1.0 - nz);
    normal.Normalize();
    return height;
}

} // namespace Maris
