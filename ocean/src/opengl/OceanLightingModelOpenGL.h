#pragma once

#include "lighting/OceanLightingModel.h"

namespace Maris {

// Loads the foam, noise and propeller-wash textures and sets the lighting uniforms of the grid's
// main and patch programs each time the grid draws.
class OceanLightingModelOpenGL : public OceanLightingModel
{
public:
    explicit OceanLightingModelOpenGL(Environment* environment);
    ~OceanLightingModelOpenGL() override;

    bool Initialize(std::uint32_t mainProgram, std::uint32_t patchProgram) override;
    bool SetUniforms() override;
    bool SetPatchUniforms() override;

    std::uint32_t GetFoamTexture() const { return foamTexture; }
    std::uint32_t GetNoiseTexture() const { return noiseTexture; }
    std::uint32_t GetWashTexture() const { return washTexture; }

    enum Uniform
    {
        LightDirection,
        LightColor,
        AmbientColor,
        RefractColor,
        CubeMap,
        PlanarReflectionMap,
        Shininess,
        FoamTexture,
        FoamScale,
        NoiseTexture,
        HasEnvironmentMap,
        HasPlanarReflectionMap,
        PlanarReflectionDisplacementScale,
        FoamBlend,
        WashTexture,
        UniformCount
    };
    static const char* const uniformNames[UniformCount];

private:
    struct Locations
    {
        int location[UniformCount];
    };

    // Whether textures can hold signed normalized values (OpenGL 3.1 or GL_EXT_texture_snorm).
    static bool SignedTexturesSupported();
    bool SetUniforms(std::uint32_t program, const Locations& locations);
    static bool LoadTexture(const char* name, bool repeatS, bool signedValues,
                            Environment* environment, std::uint32_t& texture);

    Locations mainLocations;
    Locations patchLocations;
    std::uint32_t foamTexture;
    std::uint32_t noiseTexture;
    std::uint32_t washTexture;
};

} // namespace Maris
