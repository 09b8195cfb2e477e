#pragma once

#include <cstdint>

namespace Maris {

class Environment;

// The particle shader pair ("particle.glsl" and "particle-frag.glsl", behind the configured
// shader-filename-prefix), shared by the spray manager and the wake manager.
struct ParticleShaderProgram
{
    std::uint32_t program = 0;
    std::uint32_t vertexShader = 0;
    std::uint32_t fragmentShader = 0;
};

// Whether particles are drawn as point sprites: when spray-force-point-sprites is set, or when
// the driver's largest point exceeds 256 pixels. Needs a current OpenGL context.
bool UseParticlePointSprites();

// The text put before each particle shader file for this renderer: GLSL 1.50 with OPENGL32 for
// the OpenGL 3.2 class (renderers 1 to 3), else GLSL 1.20; POINT_SPRITES when sprites are drawn.
const char* ParticleShaderPreamble(int renderer, bool pointSprites);

// Compiles both files after the preamble and links them (see CompileShaderFile and
// LinkShaderProgram): a compile failure reports errorHeader followed by the shader's log, a link
// failure ends with "Failed to link particle shader program for OpenGL.". On failure nothing is
// left allocated.
bool BuildParticleShaderProgram(Environment* environment, const char* preamble,
                                const char* errorHeader, ParticleShaderProgram& out);
void DeleteParticleShaderProgram(ParticleShaderProgram& shaders);

} // namespace Maris
