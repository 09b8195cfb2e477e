#include "lighting/OceanLightingModel.h"

#include "core/Configuration.h"
#include <Maris/Environment.h>
#include <Maris/Message.h>

namespace Maris {

OceanLightingModel::OceanLightingModel(Environment* env)
    : environment(env), mainProgram(0), patchProgram(0),
      refractionColor(ConfigKey::RefractColorRed.fallback, ConfigKey::RefractColorGreen.fallback,
                      ConfigKey::RefractColorBlue.fallback),
      shininess(ConfigKey::Shininess.fallback), foamScale(ConfigKey::FoamScale.fallback),
      foamBlend(ConfigKey::FoamBlend.fallback)
{
}

OceanLightingModel::~OceanLightingModel() = default;

bool OceanLightingModel::Initialize(std::uint32_t program, std::uint32_t patch)
{
    mainProgram = program;
    patchProgram = patch;

    const double red = Configuration::Get(ConfigKey::RefractColorRed);
    const double green = Configuration::Get(ConfigKey::RefractColorGreen);
    const double blue = Configuration::Get(ConfigKey::RefractColorBlue);
    if (red < 0.0 || green < 0.0 || blue < 0.0) {
        Message("Negative refraction color value specified.");
        return false;
    }
    refractionColor = Vector3(red, green, blue);
    return ReadSurfaceSettings();
}

bool OceanLightingModel::SetPatchUniforms() { return false; }

bool OceanLightingModel::ReadSurfaceSettings()
{
    const double readShininess = Configuration::Get(ConfigKey::Shininess);
    if (readShininess < 0.0) {
        Message("Negative shininess specified.");
        return false;
    }
    shininess = readShininess;

    const float scale = Configuration::Get(ConfigKey::FoamScale);
    if (scale < 0.0f) {
        Message("Negative foam-scale specified.");
        return false;
    }
    foamScale = environment ? static_cast<float>(scale / environment->GetMetersPerUnit()) : scale;

    const float blend = Configuration::Get(ConfigKey::FoamBlend);
    if (blend < 0.0f) {
        Message("Negative foam-blend specified.");
        return false;
    }
    foamBlend = blend;
    return true;
}

} // namespace Maris
