#include "opengl/OpenGLProgram.h"

#include <Maris/Containers.h>
#include <Maris/Matrix3.h>
#include <Maris/Matrix4.h>
#include <Maris/Message.h>
#include <Maris/ResourceLoader.h>
#include <Maris/Vector3.h>
#include "opengl/OpenGLEntryPoints.h"

#include <cstddef>
#include <cstdio>

namespace Maris {

namespace {

int UniformLocation(std::uint32_t program, const char* name)
{
    return program && glGetUniformLocation ? glGetUniformLocation(program, name) : -1;
}

} // namespace

std::uint32_t CompileShaderFile(ResourceLoader* loader, std::uint32_t type, const char* fileName,
                                const char* preamble, const char* errorPrefix)
{
    char* text = nullptr;
    std::size_t size = 0;
    if (!loader || !loader->LoadResource(fileName, text, size, true))
        return 0;

    const GLuint shader = glCreateShader(type);
    const GLchar* sources[2] = {preamble, text};
    glShaderSource(shader, 2, sources, nullptr);
    glCompileShader(shader);
    loader->FreeResource(text);

    GLint compiled = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled == GL_TRUE)
        return shader;
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    String log(static_cast<std::size_t>(length > 1 ? length : 1), '\0');
    glGetShaderInfoLog(shader, static_cast<GLsizei>(log.size()), nullptr, &log[0]);
    const String report = String(errorPrefix) + log.c_str();
    Message(report.c_str());
    glDeleteShader(shader);
    return 0;
}

std::uint32_t LinkShaderProgram(std::uint32_t vertexShader, std::uint32_t fragmentShader,
                                const char* failureText)
{
    if (!vertexShader || !fragmentShader) {
        Message(failureText);
        return 0;
    }
    const GLuint program = glCreateProgram();
    glAttachShader(program, vertexShader);
    glAttachShader(program, fragmentShader);
    glLinkProgram(program);
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (linked == GL_TRUE)
        return program;
    GLint length = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    if (length > 1) {
        String log(static_cast<std::size_t>(length), '\0');
        glGetProgramInfoLog(program, length, nullptr, &log[0]);
        Message(log.c_str());
    }
    Message(failureText);
    glDeleteProgram(program);
    return 0;
}

void LookUpUniforms(std::uint32_t program, const char* const* names, int count, int* locations)
{
    for (int i = 0; i < count; ++i)
        locations[i] = UniformLocation(program, names[i]);
}

void LookUpUniformArray(std::uint32_t program, const char* array, std::uint32_t count,
                        const char* const* fields, int fieldCount, int* locations)
{
    char name[256];
    for (std::uint32_t element = 0; element < count; ++element)
        for (int field = 0; field < fieldCount; ++field) {
            std::snprintf(name, sizeof name, "%s[%u].%s", array, element, fields[field]);
            locations[element * fieldCount + field] = UniformLocation(program, name);
        }
}

void SetUniformInt(int location, int value)
{
    if (location != -1)
        glUniform1i(location, value);
}

void SetUniformFloat(int location, double value)
{
    if (location != -1)
        glUniform1f(location, static_cast<float>(value));
}

void SetUniformVector3(int location, const Vector3& value)
{
    if (location != -1)
        glUniform3f(location, static_cast<float>(value.x), static_cast<float>(value.y),
                    static_cast<float>(value.z));
}

void SetUniformMatrix3(int location, const Matrix3& value)
{
    if (location == -1)
        return;
    float values[9];
    for (int i = 0; i < 9; ++i)
        values[i] = static_cast<float>(value.Pointer()[i]);
    glUniformMatrix3fv(location, 1, GL_FALSE, values);
}

void SetUniformMatrix4(int location, const Matrix4& value)
{
    if (location == -1)
        return;
    float values[16];
    for (int i = 0; i < 16; ++i)
        values[i] = static_cast<float>(value.Pointer()[i]);
    glUniformMatrix4fv(location, 1, GL_FALSE, values);
}

} // namespace Maris
