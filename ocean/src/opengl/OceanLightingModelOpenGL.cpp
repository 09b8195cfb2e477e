#include "opengl/OceanLightingModelOpenGL.h"

#include <Maris/Environment.h>
#include <Maris/Message.h>
#include "opengl/OpenGLEntryPoints.h"
#include "opengl/OpenGLErrorCheck.h"
#include "opengl/OpenGLExtensions.h"
#include "opengl/OpenGLProgram.h"
#include "core/TGALoader.h"

#include <GL/glu.h>

namespace Maris {

const char* const OceanLightingModelOpenGL::uniformNames[UniformCount] = {
    "L",
    "lightColor",
    "ambientColor",
    "refractColor",
    "cubeMap",
    "planarReflectionMap",
    "shininess",
    "foamTex",
    "foamScale",
    "noiseTex",
    "hasEnvMap",
    "hasPlanarReflectionMap",
    "planarReflectionDisplacementScale",
    "foamBlend",
    "washTex"};

OceanLightingModelOpenGL::OceanLightingModelOpenGL(Environment* env)
    : OceanLightingModel(env), mainLocations(), patchLocations(), foamTexture(0), noiseTexture(0),
      washTexture(0)
{
    for (int i = 0; i < UniformCount; ++i)
        mainLocations.location[i] = patchLocations.location[i] = -1;
}

OceanLightingModelOpenGL::~OceanLightingModelOpenGL()
{
    const GLuint textures[3] = {foamTexture, noiseTexture, washTexture};
    for (GLuint texture : textures)
        if (texture)
            glDeleteTextures(1, &texture);
}

bool OceanLightingModelOpenGL::SignedTexturesSupported()
{
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    const bool version31 = version && (version[0] > '3' || (version[0] == '3' && version[2] >= '1'));
    return version31 || IsExtensionSupported("GL_EXT_texture_snorm");
}

bool OceanLightingModelOpenGL::LoadTexture(const char* name, bool repeatS, bool signedValues,
                                           Environment* environment, std::uint32_t& texture)
{
    if (!environment)
        return false;
    TGALoader image;
    if (!image.Load(name, environment->GetResourceLoader()) || !image.HasColorPixels(name))
        return false;

    GLuint created = 0;
    glGenTextures(1, &created);
    glBindTexture(GL_TEXTURE_2D, created);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    // Clamping to the edge: the plain clamp would blend in the border color, and core profiles
    // lack it.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, repeatS ? GL_REPEAT : GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    const GLenum format = image.GetBitsPerPixel() == 24 ? GL_RGB : GL_RGBA;
    // Noise and wash hold values centred on zero; they keep their sign only in a signed
    // normalized texture, where the driver offers one.
    GLint internalFormat = static_cast<GLint>(format);
    if (signedValues && SignedTexturesSupported())
        internalFormat = format == GL_RGB ? GL_RGB8_SNORM : GL_RGBA8_SNORM;
    gluBuild2DMipmaps(GL_TEXTURE_2D, internalFormat, static_cast<GLsizei>(image.GetWidth()),
                      static_cast<GLsizei>(image.GetHeight()), format,
                      signedValues ? GL_BYTE : GL_UNSIGNED_BYTE, image.GetPixels());
    glBindTexture(GL_TEXTURE_2D, 0);
    texture = created;
    return true;
}

bool OceanLightingModelOpenGL::Initialize(std::uint32_t program, std::uint32_t patch)
{
    LookUpUniforms(program, uniformNames, UniformCount, mainLocations.location);
    LookUpUniforms(patch, uniformNames, UniformCount, patchLocations.location);

    if (!LoadTexture("foam.tga", true, false, environment, foamTexture)) {
        Message("Could not load the OpenGL whitecaps texture.");
        return false;
    }
    if (!LoadTexture("perlin.tga", true, true, environment, noiseTexture)) {
        Message("Could not load the OpenGL noise texture.");
        return false;
    }
    if (!LoadTexture("wash.tga", false, true, environment, washTexture)) {
        Message("Could not load the OpenGL propellor wash texture.");
        return false;
    }
    CheckOpenGLError(__FILE__, __LINE__);
    return OceanLightingModel::Initialize(program, patch);
}

bool OceanLightingModelOpenGL::SetUniforms() { return SetUniforms(mainProgram, mainLocations); }

bool OceanLightingModelOpenGL::SetPatchUniforms()
{
    return SetUniforms(patchProgram, patchLocations);
}

bool OceanLightingModelOpenGL::SetUniforms(std::uint32_t program, const Locations& locations)
{
    if (!environment || !ReadSurfaceSettings())
        return false;
    const int* at = locations.location;
    glUseProgram(program);
    SetUniformVector3(at[LightDirection], environment->GetLightDirection());
    SetUniformVector3(at[LightColor], environment->GetLightColor());
    SetUniformVector3(at[AmbientColor], environment->GetAmbientColor());
    SetUniformVector3(at[RefractColor], refractionColor);
    SetUniformFloat(at[Shininess], shininess);
    SetUniformFloat(at[FoamScale], foamScale);
    SetUniformFloat(at[FoamBlend], foamBlend);

    if (environment->GetEnvironmentMap()) {
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_CUBE_MAP, environment->GetEnvironmentMap());
        SetUniformInt(at[CubeMap], 0);
        SetUniformInt(at[HasEnvironmentMap], 1);
    } else {
        SetUniformInt(at[HasEnvironmentMap], 0);
    }

    SetUniformFloat(at[PlanarReflectionDisplacementScale],
                    environment->GetPlanarReflectionDisplacementScale());
    glActiveTexture(GL_TEXTURE6);
    glBindTexture(GL_TEXTURE_2D, environment->GetPlanarReflectionMap());
    SetUniformInt(at[PlanarReflectionMap], 6);
    SetUniformInt(at[HasPlanarReflectionMap], environment->GetPlanarReflectionMap() ? 1 : 0);

    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, foamTexture);
    SetUniformInt(at[FoamTexture], 1);
    glActiveTexture(GL_TEXTURE4);
    glBindTexture(GL_TEXTURE_2D, washTexture);
    SetUniformInt(at[WashTexture], 4);
    glActiveTexture(GL_TEXTURE7);
    glBindTexture(GL_TEXTURE_2D, noiseTexture);
    SetUniformInt(at[NoiseTexture], 7);
    glActiveTexture(GL_TEXTURE0);

    return CheckOpenGLError(__FILE__, __LINE__);
}

} // namespace Maris
