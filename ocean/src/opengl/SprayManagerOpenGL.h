#pragma once

#include "opengl/ParticleShaderProgram.h"
#include "spray/SprayManager.h"

#include <cstdint>

namespace Maris {

// The spray manager's OpenGL side: the particle shader program, the spray texture and one
// particle system of fft-max-sprays particles.
class SprayManagerOpenGL : public SprayManager
{
public:
    explicit SprayManagerOpenGL(Environment* environment);
    ~SprayManagerOpenGL() override;

    bool Initialize(const SeaFrame* frame) override;

    std::uint32_t GetProgram() const { return shaders.program; }
    std::uint32_t GetTexture() const { return texture; }

private:
    ParticleShaderProgram shaders;
    std::uint32_t texture;
};

} // namespace Maris
