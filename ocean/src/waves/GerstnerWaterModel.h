#pragma once

#include "waves/GerstnerWave.h"
#include "waves/WaterModel.h"

namespace Maris {

// A small set of analytic Gerstner waves. The wave set (wavelengths, direction offsets, wave
// numbers, frequencies, steepness) is drawn once; amplitudes and directions follow the wind every
// frame. Height queries evaluate the same sum the shader draws.
class GerstnerWaterModel : public WaterModel
{
public:
    explicit GerstnerWaterModel(Environment* environment);
    virtual ~GerstnerWaterModel();

    // Reads the configuration and builds the wave set for the grid's shader.
    virtual bool Initialize(std::uint32_t shader, bool engineFlag);
    using WaterModel::Initialize;

    bool PrepareShader(double time) override;
    float GetHeight(const Vector3& position, const SeaFrame* frame,
                    Vector3& normal) const override;

    int GetWaveCount() const { return waveCount; }
    const GerstnerWave* GetWaves() const { return waves; }
    double GetMedianWavelength() const { return medianWavelength; }
    double GetMedianAmplitude() const { return medianAmplitude; }
    double GetAmplitudeRatio() const { return amplitudeRatio; }
    double GetTime() const { return time; }

protected:
    int waveCount;
    GerstnerWave* waves;
    double medianWavelength;
    double medianAmplitude;
    double amplitudeRatio;
    double time;
};

} // namespace Maris
