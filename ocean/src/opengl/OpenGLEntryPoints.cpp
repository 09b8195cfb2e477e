#include "opengl/OpenGLEntryPoints.h"

#include <GL/glx.h>

#include <atomic>
#include <mutex>

namespace Maris {

PFNGLGETOBJECTPARAMETERIVARBPROC glGetObjectParameterivARB = nullptr;
PFNGLGETINFOLOGARBPROC glGetInfoLogARB = nullptr;
PFNGLGENERATEMIPMAPPROC glGenerateMipmap = nullptr;
PFNGLDELETEVERTEXARRAYSPROC glDeleteVertexArrays = nullptr;
PFNGLBINDVERTEXARRAYPROC glBindVertexArray = nullptr;
PFNGLGENVERTEXARRAYSPROC glGenVertexArrays = nullptr;
PFNGLGETSTRINGIPROC glGetStringi = nullptr;
PFNGLACTIVETEXTUREPROC glActiveTexture = nullptr;
PFNGLCLIENTACTIVETEXTUREARBPROC glClientActiveTexture = nullptr;
PFNGLPOINTPARAMETERFPROC glPointParameterf = nullptr;
PFNGLPOINTPARAMETERFVPROC glPointParameterfv = nullptr;
PFNGLGETUNIFORMLOCATIONPROC glGetUniformLocation = nullptr;
PFNGLUNIFORM1IPROC glUniform1i = nullptr;
PFNGLUNIFORM2FPROC glUniform2f = nullptr;
PFNGLUNIFORM1FPROC glUniform1f = nullptr;
PFNGLUSEPROGRAMPROC glUseProgram = nullptr;
PFNGLDELETEBUFFERSPROC glDeleteBuffers = nullptr;
PFNGLDETACHSHADERPROC glDetachShader = nullptr;
PFNGLGETSHADERIVPROC glGetShaderiv = nullptr;
PFNGLGETPROGRAMINFOLOGPROC glGetProgramInfoLog = nullptr;
PFNGLGETSHADERINFOLOGPROC glGetShaderInfoLog = nullptr;
PFNGLCREATESHADERPROC glCreateShader = nullptr;
PFNGLCOMPILESHADERPROC glCompileShader = nullptr;
PFNGLSHADERSOURCEPROC glShaderSource = nullptr;
PFNGLCREATEPROGRAMPROC glCreateProgram = nullptr;
PFNGLATTACHSHADERPROC glAttachShader = nullptr;
PFNGLLINKPROGRAMPROC glLinkProgram = nullptr;
PFNGLGETPROGRAMIVPROC glGetProgramiv = nullptr;
PFNGLGETATTRIBLOCATIONPROC glGetAttribLocation = nullptr;
PFNGLUNIFORM3FPROC glUniform3f = nullptr;
PFNGLUNIFORM4FPROC glUniform4f = nullptr;
PFNGLUNIFORMMATRIX4FVPROC glUniformMatrix4fv = nullptr;
PFNGLUNIFORMMATRIX3FVPROC glUniformMatrix3fv = nullptr;
PFNGLBINDBUFFERPROC glBindBuffer = nullptr;
PFNGLVERTEXATTRIBPOINTERPROC glVertexAttribPointer = nullptr;
PFNGLENABLEVERTEXATTRIBARRAYPROC glEnableVertexAttribArray = nullptr;
PFNGLGENBUFFERSPROC glGenBuffers = nullptr;
PFNGLBUFFERDATAPROC glBufferData = nullptr;
PFNGLDELETESHADERPROC glDeleteShader = nullptr;
PFNGLMAPBUFFERPROC glMapBuffer = nullptr;
PFNGLUNMAPBUFFERPROC glUnmapBuffer = nullptr;
PFNGLDISABLEVERTEXATTRIBARRAYPROC glDisableVertexAttribArray = nullptr;
PFNGLDELETEPROGRAMPROC glDeleteProgram = nullptr;
PFNGLBUFFERSUBDATAPROC glBufferSubData = nullptr;
PFNGLMAPBUFFERRANGEPROC glMapBufferRange = nullptr;
PFNGLISSHADERPROC glIsShader = nullptr;

namespace {

std::atomic<bool> resolved{false};
std::atomic<bool> allFound{false};

template <typename Pointer>
bool Fetch(Pointer& pointer, const char* name)
{
    pointer = reinterpret_cast<Pointer>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name)));
    return pointer != nullptr;
}

} // namespace

bool ResolveOpenGLEntryPoints()
{
    static std::once_flag once;
    std::call_once(once, [] {
        bool found = true;
        found &= Fetch(glGetObjectParameterivARB, "glGetObjectParameterivARB");
        found &= Fetch(glGetInfoLogARB, "glGetInfoLogARB");
        found &= Fetch(glGenerateMipmap, "glGenerateMipmap");
        found &= Fetch(glDeleteVertexArrays, "glDeleteVertexArrays");
        found &= Fetch(glBindVertexArray, "glBindVertexArray");
        found &= Fetch(glGenVertexArrays, "glGenVertexArrays");
        found &= Fetch(glGetStringi, "glGetStringi");
        found &= Fetch(glActiveTexture, "glActiveTexture");
        found &= Fetch(glClientActiveTexture, "glClientActiveTexture");
        found &= Fetch(glPointParameterf, "glPointParameterf");
        found &= Fetch(glPointParameterfv, "glPointParameterfv");
        found &= Fetch(glGetUniformLocation, "glGetUniformLocation");
        found &= Fetch(glUniform1i, "glUniform1i");
        found &= Fetch(glUniform2f, "glUniform2f");
        found &= Fetch(glUniform1f, "glUniform1f");
        found &= Fetch(glUseProgram, "glUseProgram");
        found &= Fetch(glDeleteBuffers, "glDeleteBuffers");
        found &= Fetch(glDetachShader, "glDetachShader");
        found &= Fetch(glGetShaderiv, "glGetShaderiv");
        found &= Fetch(glGetProgramInfoLog, "glGetProgramInfoLog");
        found &= Fetch(glGetShaderInfoLog, "glGetShaderInfoLog");
        found &= Fetch(glCreateShader, "glCreateShader");
        found &= Fetch(glCompileShader, "glCompileShader");
        found &= Fetch(glShaderSource, "glShaderSource");
        found &= Fetch(glCreateProgram, "glCreateProgram");
        found &= Fetch(glAttachShader, "glAttachShader");
        found &= Fetch(glLinkProgram, "glLinkProgram");
        found &= Fetch(glGetProgramiv, "glGetProgramiv");
        found &= Fetch(glGetAttribLocation, "glGetAttribLocation");
        found &= Fetch(glUniform3f, "glUniform3f");
        found &= Fetch(glUniform4f, "glUniform4f");
        found &= Fetch(glUniformMatrix4fv, "glUniformMatrix4fv");
        found &= Fetch(glUniformMatrix3fv, "glUniformMatrix3fv");
        found &= Fetch(glBindBuffer, "glBindBuffer");
        found &= Fetch(glVertexAttribPointer, "glVertexAttribPointer");
        found &= Fetch(glEnableVertexAttribArray, "glEnableVertexAttribArray");
        found &= Fetch(glGenBuffers, "glGenBuffers");
        found &= Fetch(glBufferData, "glBufferData");
        found &= Fetch(glDeleteShader, "glDeleteShader");
        found &= Fetch(glMapBuffer, "glMapBuffer");
        found &= Fetch(glUnmapBuffer, "glUnmapBuffer");
        found &= Fetch(glDisableVertexAttribArray, "glDisableVertexAttribArray");
        found &= Fetch(glDeleteProgram, "glDeleteProgram");
        found &= Fetch(glBufferSubData, "glBufferSubData");
        found &= Fetch(glMapBufferRange, "glMapBufferRange");
        found &= Fetch(glIsShader, "glIsShader");
        allFound = found;
        resolved = true;
    });
    return allFound;
}

bool AreOpenGLEntryPointsResolved()
{
    return resolved;
}

} // namespace Maris
