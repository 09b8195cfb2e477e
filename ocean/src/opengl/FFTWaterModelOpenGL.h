#pragma once

#include "waves/FFTWaterModel.h"

namespace Maris {

// The FFT water model for the OpenGL renderers: owns the two textures the grid shader samples and
// sets the model's uniforms.
//
// Textures, both RGB32F, ny texels wide (columns, along x) by nx high, wrapping in s and t:
//   unit 2, uniform displacementMap: x displacement, y displacement, height; linear filtering;
//   unit 3, uniform slopeFoamMap: slope x, slope y, foam; linear, trilinear with mipmaps.
// Further uniforms: textureSize (vec2, patch size in world units), noiseAmplitude,
// invNoiseDistance, invDampingDistance, textureLODBias and time.
class FFTWaterModelOpenGL : public FFTWaterModel
{
public:
    FFTWaterModelOpenGL(Environment* environment, int spectrumType);
    ~FFTWaterModelOpenGL() override;

    bool Initialize(std::uint32_t gridShader, std::uint32_t patchShader, bool engineFlag) override;
    bool PrepareShader(double time) override;
    bool PreparePatchShader(double time) override;
    // Reads the environment's height map back into memory, one float per texel.
    void UpdateHeightMap() override;

    std::uint32_t GetDisplacementTexture() const { return displacementTexture; }
    std::uint32_t GetSlopeFoamTexture() const { return slopeFoamTexture; }
    int GetHeightMapWidth() const { return heightMapWidth; }
    int GetHeightMapHeight() const { return heightMapHeight; }
    const float* GetHeightMap() const { return heightMap; }

    static const int displacementUnit = 2;
    static const int slopeFoamUnit = 3;

private:
    enum Uniform
    {
        DisplacementMap,
        SlopeFoamMap,
        TextureSize,
        NoiseAmplitude,
        InverseNoiseDistance,
        InverseDampingDistance,
        TextureLODBias,
        Time,
        UniformCount
    };

    bool CreateTextures();
    bool Prepare(std::uint32_t program, const std::int32_t* locations, double time);
    bool GeneratesMipmaps() const;

    std::uint32_t displacementTexture;
    std::uint32_t slopeFoamTexture;
    bool hasFramebufferObject;
    std::int32_t gridLocations[UniformCount];
    std::int32_t patchLocations[UniformCount];
};

} // namespace Maris
