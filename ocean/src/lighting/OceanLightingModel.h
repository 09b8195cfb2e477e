#pragma once

#include <Maris/MemObject.h>
#include <Maris/Vector3.h>

#include <cstdint>

namespace Maris {

class Environment;

// The shading inputs of the sea surface that do not depend on the renderer: the color of light
// refracted up from the water body, the specular shininess and the foam scale and blend, all from
// configuration.
class OceanLightingModel : public MemObject
{
public:
    explicit OceanLightingModel(Environment* environment);
    virtual ~OceanLightingModel();

    virtual bool Initialize(std::uint32_t mainProgram, std::uint32_t patchProgram);
    virtual bool SetUniforms() = 0;
    virtual bool SetPatchUniforms();

    const Vector3& GetRefractionColor() const { return refractionColor; }
    double GetShininess() const { return shininess; }
    float GetFoamScale() const { return foamScale; }
    float GetFoamBlend() const { return foamBlend; }
    Environment* GetEnvironment() const { return environment; }

protected:
    // shininess, foam-scale and foam-blend; re-read before every uniform set-up.
    bool ReadSurfaceSettings();

    Environment* environment;
    std::uint32_t mainProgram;
    std::uint32_t patchProgram;
    Vector3 refractionColor;
    double shininess;
    float foamScale;
    float foamBlend;

private:
    OceanLightingModel(const OceanLightingModel&) = delete;
    OceanLightingModel& operator=(const OceanLightingModel&) = delete;
};

} // namespace Maris
