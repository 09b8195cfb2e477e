#include "opengl/SprayManagerOpenGL.h"

#include <Maris/Environment.h>
#include "opengl/OpenGLEntryPoints.h"
#include "opengl/ParticleSystemOpenGL.h"
#include "opengl/SprayTexture.h"

namespace Maris {

SprayManagerOpenGL::SprayManagerOpenGL(Environment* environmentIn)
    : SprayManager(environmentIn), texture(0)
{
}

SprayManagerOpenGL::~SprayManagerOpenGL()
{
    delete particleSystem;
    particleSystem = nullptr;
    DeleteParticleShaderProgram(shaders);
    if (texture)
        ::glDeleteTextures(1, &texture);
}

bool SprayManagerOpenGL::Initialize(const SeaFrame* frameIn)
{
    if (!SprayManager::Initialize(frameIn))
        return false;
    const char* preamble =
        ParticleShaderPreamble(environment->GetRenderer(), UseParticlePointSprites());
    if (!BuildParticleShaderProgram(environment, preamble, "GLSL error detected in spray manager!\n",
                                    shaders))
        return false;
    texture = CreateSprayTexture(environment);
    if (!texture)
        return false;
    ParticleSystemOpenGL* system = new ParticleSystemOpenGL(environment);
    particleSystem = system;
    if (!system->Initialize(texture, shaders.program,
                            static_cast<std::uint32_t>(maxSprays > 0 ? maxSprays : 0), frameIn))
        return false;
    system->SetTransparency(transparency);
    system->SetGravity(gravity);
    return true;
}

} // namespace Maris
