#include "opengl/SprayTexture.h"

#include <Maris/Environment.h>
#include <Maris/Message.h>
#include "opengl/OpenGLEntryPoints.h"
#include "core/TGALoader.h"

#include <GL/glu.h>

namespace Maris {

std::uint32_t CreateSprayTexture(Environment* environment)
{
    TGALoader image;
    if (!environment || !image.Load("spray.tga", environment->GetResourceLoader()) ||
        !image.HasColorPixels("spray.tga")) {
        Message("Couldn't load spray texture");
        return 0;
    }
    GLuint texture = 0;
    ::glGenTextures(1, &texture);
    ::glBindTexture(GL_TEXTURE_2D, texture);
    ::glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    ::glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    ::glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    ::glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    const GLenum format = image.GetBitsPerPixel() == 24 ? GL_RGB : GL_RGBA;
    ::gluBuild2DMipmaps(GL_TEXTURE_2D, static_cast<GLint>(format),
                        static_cast<GLsizei>(image.GetWidth()),
                        static_cast<GLsizei>(image.GetHeight()), format, GL_UNSIGNED_BYTE,
                        image.GetPixels());
    ::glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

} // namespace Maris
