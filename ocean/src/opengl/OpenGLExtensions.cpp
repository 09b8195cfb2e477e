#include "opengl/OpenGLExtensions.h"

#include "opengl/OpenGLEntryPoints.h"

#include <cstring>

namespace Maris {

namespace {

// Errors left by earlier calls would otherwise be taken for a failure of the string query.
void DrainErrors()
{
    for (int i = 0; i < 64 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

bool IsInEnumeration(const char* name)
{
    GLint count = 0;
    glGetIntegerv(GL_NUM_EXTENSIONS, &count);
    for (GLint i = 0; i < count; ++i) {
        const char* extension =
            reinterpret_cast<const char*>(glGetStringi(GL_EXTENSIONS, static_cast<GLuint>(i)));
        if (extension && std::strcmp(extension, name) == 0)
            return true;
    }
    return false;
}

// An occurrence counts only as a whole blank-separated word, so "GL_ARB_shader" does not match
// "GL_ARB_shader_objects".
bool IsWordOf(const char* name, const char* list)
{
    const std::size_t length = std::strlen(name);
    for (const char* at = std::strstr(list, name); at; at = std::strstr(at + 1, name)) {
        const bool startsWord = at == list || at[-1] == ' ';
        const bool endsWord = at[length] == ' ' || at[length] == '\0';
        if (startsWord && endsWord)
            return true;
    }
    return false;
}

} // namespace

bool IsExtensionSupported(const char* name)
{
    // A name with a blank could match two neighbouring extensions of the list.
    if (!name || !*name || std::strchr(name, ' '))
        return false;

    DrainErrors();
    const char* list = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    const bool listUnreadable = !list || glGetError() != GL_NO_ERROR;
    if (listUnreadable && glGetStringi)
        return IsInEnumeration(name);
    return list && IsWordOf(name, list);
}

} // namespace Maris
