#include "opengl/ParticleShaderProgram.h"

#include "core/Configuration.h"
#include <Maris/Containers.h>
#include <Maris/Environment.h>
#include <Maris/Message.h>
#include "opengl/OpenGLEntryPoints.h"
#include <Maris/ResourceLoader.h>

#include <cstddef>

namespace Maris {

namespace {

// Zero when the file cannot be read or the shader does not compile.
GLuint CompileShaderFile(Environment* environment, GLenum type, const char* baseName,
                         const char* preamble, const char* errorHeader)
{
    ResourceLoader* loader = environment->GetResourceLoader();
    if (!loader)
        return 0;
    String name;
    const char* prefix = nullptr;
    if (Configuration::GetStringValue("shader-filename-prefix", prefix) && prefix)
        name = prefix;
    name += baseName;

    char* text = nullptr;
    std::size_t size = 0;
    if (!loader->LoadResource(name.c_str(), text, size, true))
        return 0;
    const GLuint shader = glCreateShader(type);
    const char* sources[2] = {preamble, text};
    glShaderSource(shader, 2, sources, nullptr);
    glCompileShader(shader);
    loader->FreeResource(text);

    GLint compiled = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled != GL_TRUE) {
        GLint length = 0;
        glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
        String log(static_cast<std::size_t>(length > 0 ? length : 1), '\0');
        glGetShaderInfoLog(shader, static_cast<GLsizei>(log.size()), nullptr, &log[0]);
        String report(errorHeader);
        report += log.c_str();
        Message(report.c_str());
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

} // namespace

bool UseParticlePointSprites()
{
    bool forced = false;
    Configuration::GetBoolValue("spray-force-point-sprites", forced);
    if (forced)
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
    const GLuint vertexShader =
        CompileShaderFile(environment, GL_VERTEX_SHADER, "particle.glsl", preamble, errorHeader);
    const GLuint fragmentShader = CompileShaderFile(environment, GL_FRAGMENT_SHADER,
                                                    "particle-frag.glsl", preamble, errorHeader);
    const GLuint program = glCreateProgram();
    if (vertexShader)
        glAttachShader(program, vertexShader);
    if (fragmentShader)
        glAttachShader(program, fragmentShader);
    GLint linked = GL_FALSE;
    if (vertexShader && fragmentShader) {
        glLinkProgram(program);
        glGetProgramiv(program, GL_LINK_STATUS, &linked);
    }
    if (linked != GL_TRUE) {
        Message("Failed to link particle shader program for OpenGL.");
        glDeleteProgram(program);
        if (vertexShader)
            glDeleteShader(vertexShader);
        if (fragmentShader)
            glDeleteShader(fragmentShader);
        return false;
    }
    out.program = program;
    out.vertexShader = vertexShader;
    out.fragmentShader = fragmentShader;
    return true;
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
