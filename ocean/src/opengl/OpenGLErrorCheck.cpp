#include "opengl/OpenGLErrorCheck.h"

#include <Maris/Message.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdio>

namespace Maris {

bool CheckOpenGLError(const char* file, int line)
{
    bool clean = true;
    // Bounded, because a lost context may answer with an error for ever.
    for (int i = 0; i < 64; ++i) {
        const GLenum error = glGetError();
        if (error == GL_NO_ERROR)
            break;
        clean = false;
        char text[1024];
        std::snprintf(text, sizeof(text), "GL error in %s line %d:", file ? file : "", line);
        Message(text);
        Message(reinterpret_cast<const char*>(gluErrorString(error)));
    }
    return clean;
}

} // namespace Maris
