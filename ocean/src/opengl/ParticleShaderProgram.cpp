#include "opengl/ParticleShaderProgram.h"

#include "core/Configuration.h"
#include <Maris/Containers.h>
#include <Maris/Environment.h>
#include "opengl/OpenGLEntryPoints.h"
#include "opengl/OpenGLProgram.h"
#include <Maris/ResourceLoader.h>

namespace Maris {

bool UseParticlePointSprites()
{
    if (Configuration::Get(ConfigKey::SprayForcePointSprites))
        return true;
    GLint largest = 0;
    glGetIntegerv(GL_POINT_SIZE_MAX, &largest);
    // Core contexts refuse the query; that only means no large sprites.
    while (glGetError() != GL_NO_ERROR) {
    }
    return largest > 256;
}

const char* ParticleShaderPreamble(int renderer, bool pointSprites)
{
    if (renderer >= OpenGL32)
        return pointSprites ? "#version 150\n#define OPENGL32\n#define POINT_SPRITES\n"
                            : "#version 150\n#define OPENGL32\n";
    return pointSprites ? "#version 120\n#define POINT_SPRITES\n" : "#version 120\n";
}

bool BuildParticleShaderProgram(Environment* environment, const char* preamble,
                                const char* errorHeader, ParticleShaderProgram& out)
{
    out = ParticleShaderProgram();
    if (!environment)
        return false;
    const String prefix(Configuration::Get(ConfigKey::ShaderFilenamePrefix));
    ResourceLoader* loader = environment->GetResourceLoader();
    const GLuint vertexShader = CompileShaderFile(loader, GL_VERTEX_SHADER,
                                                  (prefix + "particle.glsl").c_str(), preamble,
                                                  errorHeader);
    const GLuint fragmentShader = CompileShaderFile(loader, GL_FRAGMENT_SHADER,
                                                    (prefix + "particle-frag.glsl").c_str(),
                                                    preamble, errorHeader);
    const GLuint program = LinkShaderProgram(vertexShader, fragmentShader,
                                             "Failed to link particle shader program for OpenGL.");
    out.program = program;
    out.vertexShader = vertexShader;
    out.fragmentShader = fragmentShader;
    if (program)
        return true;
    DeleteParticleShaderProgram(out);
    return false;
}

void DeleteParticleShaderProgram(ParticleShaderProgram& shaders)
{
    if (shaders.program)
        glDeleteProgram(shaders.program);
    if (shaders.vertexShader)
        glDeleteShader(shaders.vertexShader);
    if (shaders.fragmentShader)
        glDeleteShader(shaders.fragmentShader);
    shaders = ParticleShaderProgram();
}

} // namespace Maris
