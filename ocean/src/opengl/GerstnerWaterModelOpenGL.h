#pragma once

#include "waves/GerstnerWaterModel.h"

namespace Maris {

// Hands the Gerstner wave set to the grid's OpenGL program as uniforms; the displacement itself
// is computed in the shader. Uniform locations are looked up once.
class GerstnerWaterModelOpenGL : public GerstnerWaterModel
{
public:
    explicit GerstnerWaterModelOpenGL(Environment* environment);
    ~GerstnerWaterModelOpenGL() override;

    bool Initialize(std::uint32_t gridShader, std::uint32_t patchShader, bool engineFlag) override;
    using GerstnerWaterModel::Initialize;
    bool PrepareShader(double time) override;

private:
    // Five per wave, in the order steepness, amplitude, frequency, direction, phaseSpeed.
    enum WaveUniform
    {
        SteepnessLocation,
        AmplitudeLocation,
        FrequencyLocation,
        DirectionLocation,
        PhaseSpeedLocation,
        LocationsPerWave
    };

    int* locations;
    int numWavesLocation;
    int timeLocation;
};

} // namespace Maris
