#include "lighting/OceanLightingModel.h"

#include "core/Configuration.h"
#include <Maris/Environment.h>
#include <Maris/Message.h>

namespace Maris {

OceanLightingModel::OceanLightingModel(Environment* env)
    : environment(env), mainProgram(0), patchProgram(0), refractionColor(0.0, 0.2, 0.3),
      shininess(5.0), foamScale(16.0f), foamBlend(0.5f)
{
}

OceanLightingModel::~OceanLightingModel() = default;

bool OceanLightingModel::Initialize(std::uint32_t program, std::uint32_t patch)
{
    mainProgram = program;
    patchProgram = patch;

    double red = 0.0;
    double green = 0.2;
    double blue = 0.3;
    Configuration::GetDoubleValue("refract-color-red", red);
    Configuration::GetDoubleValue("refract-color-green", green);
    Configuration::GetDoubleValue("refract-color-blue", blue);
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
    double readShininess = 5.0;
    Configuration::GetDoubleValue("shininess", readShininess);
    if (readShininess < 0.0) {
        Message("Negative shininess specified.");
        return false;
    }
    shininess = readShininess;

    float scale = 16.0f;
    Configuration::GetFloatValue("foam-scale", scale);
    if (scale < 0.0f) {
        Message("Negative foam-scale specified.");
        return false;
    }
    foamScale = environment ? static_cast<float>(scale / environment->GetMetersPerUnit()) : scale;

    float blend = 0.5f;
    Configuration::GetFloatValue("foam-blend", blend);
    if (blend < 0.0f) {
        Message("Negative foam-blend specified.");
        return false;
    }
    foamBlend = blend;
    return true;
}

} // namespace Maris
