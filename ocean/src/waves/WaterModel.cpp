#include "waves/WaterModel.h"

#include "core/Configuration.h"
#include <Maris/Environment.h>
#include <Maris/Message.h>

namespace Maris {

WaterModel::WaterModel(Environment* env)
    : choppiness(0.2f), depth(1000.0f), shoreValue(0.0f), shoreDirection(0.0f), loopPeriod(0.0f),
      floorNormal(0.0, 0.0, 0.0), environment(env), gridShader(0), patchShader(0),
      maxAmplitude(0.0), waveDirection(0.0f)
{
    if (!environment)
        Message("Null environment passed into WaterModel constructor");

    choppiness = Configuration::Get(ConfigKey::FFTChoppiness);
    if (choppiness < 0.0f)
        Message("Negative fft-choppiness specified");

    depth = Configuration::Get(ConfigKey::FFTDepth);
    if (environment)
        depth = static_cast<float>(depth / environment->GetMetersPerUnit());

    floorNormal = Vector3(0.0, 1.0, 0.0);
}

WaterModel::~WaterModel() = default;

bool WaterModel::Initialize(std::uint32_t grid, std::uint32_t patch, bool)
{
    gridShader = grid;
    patchShader = patch;
    return true;
}

bool WaterModel::UpdateSimulation(double) { return true; }

bool WaterModel::PrepareShader(double) { return true; }

bool WaterModel::PreparePatchShader(double) { return true; }

double WaterModel::GetMaxAmplitude() const { return maxAmplitude; }

bool WaterModel::IsFFTOnGPU() const { return false; }

bool WaterModel::HasBreakingWaves() const { return false; }

const char* WaterModel::GetFFTName() const { return "Not using FFT Water Model"; }

FFT* WaterModel::GetFFT() const { return nullptr; }

float WaterModel::GetDepth(Vector3& normal) const
{
    if (floorNormal.SquaredLength() == 0.0 && environment)
        normal = environment->GetUpVector();
    else
        normal = floorNormal;
    return depth;
}

float WaterModel::GetShore(float& direction) const
{
    direction = shoreDirection;
    return shoreValue;
}

} // namespace Maris
