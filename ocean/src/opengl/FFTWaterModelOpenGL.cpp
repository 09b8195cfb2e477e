#include "opengl/FFTWaterModelOpenGL.h"

#include <Maris/Environment.h>
#include "fft/FFT.h"
#include <Maris/Memory.h>
#include "opengl/OpenGLEntryPoints.h"
#include "opengl/OpenGLErrorCheck.h"
#include "opengl/OpenGLExtensions.h"
#include "opengl/OpenGLProgram.h"

namespace Maris {

namespace {

const char* const uniformNames[] = {"displacementMap",  "slopeFoamMap",       "textureSize",
                                    "noiseAmplitude",   "invNoiseDistance",   "invDampingDistance",
                                    "textureLODBias",   "time"};

void DrainOpenGLErrors()
{
    for (int i = 0; i < 64 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

} // namespace

FFTWaterModelOpenGL::FFTWaterModelOpenGL(Environment* env, int type)
    : FFTWaterModel(env, type), displacementTexture(0), slopeFoamTexture(0),
      hasFramebufferObject(false)
{
    for (int i = 0; i < UniformCount; ++i)
        gridLocations[i] = patchLocations[i] = -1;
}

FFTWaterModelOpenGL::~FFTWaterModelOpenGL()
{
    GLuint textures[] = {displacementTexture, slopeFoamTexture};
    if (displacementTexture || slopeFoamTexture)
        glDeleteTextures(2, textures);
}

bool FFTWaterModelOpenGL::GeneratesMipmaps() const
{
    return glGenerateMipmap &&
           (hasFramebufferObject || (environment && environment->GetRenderer() > OpenGL2));
}

bool FFTWaterModelOpenGL::CreateTextures()
{
    const GLsizei width = ny;
    const GLsizei height = nx;
    GLuint textures[2] = {0, 0};
    glGenTextures(2, textures);
    displacementTexture = textures[0];
    slopeFoamTexture = textures[1];

    glBindTexture(GL_TEXTURE_2D, displacementTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB32F_ARB, width, height, 0, GL_RGB, GL_FLOAT, displacement);

    glBindTexture(GL_TEXTURE_2D, slopeFoamTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    const bool generate = GeneratesMipmaps();
    if (!generate)
        glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
    // Zeros at first: the buffer was cleared when it was allocated.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB32F_ARB, width, height, 0, GL_RGB, GL_FLOAT, slopeFoam);
    if (generate)
        glGenerateMipmap(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
    return displacementTexture != 0 && slopeFoamTexture != 0;
}

bool FFTWaterModelOpenGL::Initialize(std::uint32_t grid, std::uint32_t patch, bool engineFlag)
{
    DrainOpenGLErrors();
    if (!FFTWaterModel::Initialize(grid, patch, engineFlag))
        return false;
    hasFramebufferObject = IsExtensionSupported("GL_EXT_framebuffer_object");
    LookUpUniforms(gridShader, uniformNames, UniformCount, gridLocations);
    LookUpUniforms(patchShader, uniformNames, UniformCount, patchLocations);
    if (!CreateTextures())
        return false;
    if (engine && !engine->SetOutputTextures(displacementTexture, slopeFoamTexture))
        return false;
    return CheckOpenGLError("FFTWaterModelOpenGL", __LINE__);
}

bool FFTWaterModelOpenGL::Prepare(std::uint32_t program, const std::int32_t* locations,
                                  double newTime)
{
    if (!FFTWaterModel::PrepareShader(newTime))
        return false;
    DrainOpenGLErrors();
    glUseProgram(program);
    const bool upload = engine && !engine->RunsOnGPU();
    const bool generate = GeneratesMipmaps();
    glActiveTexture(GL_TEXTURE0 + displacementUnit);
    glBindTexture(GL_TEXTURE_2D, displacementTexture);
    if (upload)
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, ny, nx, GL_RGB, GL_FLOAT, displacement);
    glActiveTexture(GL_TEXTURE0 + slopeFoamUnit);
    glBindTexture(GL_TEXTURE_2D, slopeFoamTexture);
    if (upload)
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, ny, nx, GL_RGB, GL_FLOAT, slopeFoam);
    if (generate)
        glGenerateMipmap(GL_TEXTURE_2D);
    glActiveTexture(GL_TEXTURE0);

    SetUniformInt(locations[DisplacementMap], displacementUnit);
    SetUniformInt(locations[SlopeFoamMap], slopeFoamUnit);
    if (locations[TextureSize] != -1)
        glUniform2f(locations[TextureSize], lx, ly);
    SetUniformFloat(locations[NoiseAmplitude], currentNoiseAmplitude);
    SetUniformFloat(locations[InverseNoiseDistance], 1.0f / noiseDistance);
    SetUniformFloat(locations[InverseDampingDistance], 1.0f / dampingDistance);
    SetUniformFloat(locations[TextureLODBias], lodBias);
    SetUniformFloat(locations[Time], newTime);
    return CheckOpenGLError("FFTWaterModelOpenGL", __LINE__);
}

bool FFTWaterModelOpenGL::PrepareShader(double newTime)
{
    return Prepare(gridShader, gridLocations, newTime);
}

bool FFTWaterModelOpenGL::PreparePatchShader(double newTime)
{
    return Prepare(patchShader, patchLocations, newTime);
}

void FFTWaterModelOpenGL::UpdateHeightMap()
{
    if (!environment || environment->GetHeightMap() == 0)
        return;
    heightMapMatrix = environment->GetHeightMapMatrix();
    glBindTexture(GL_TEXTURE_2D, environment->GetHeightMap());
    GLint width = 0;
    GLint height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    FreeMemory(heightMap);
    heightMap = nullptr;
    heightMapWidth = heightMapHeight = 0;
    if (width > 0 && height > 0) {
        heightMap = static_cast<float*>(
            AllocateMemory(static_cast<std::size_t>(width) * height * sizeof(float)));
        if (heightMap) {
            glPixelStorei(GL_PACK_ALIGNMENT, 4);
            glGetTexImage(GL_TEXTURE_2D, 0, GL_RED, GL_FLOAT, heightMap);
            heightMapWidth = width;
            heightMapHeight = height;
        }
    }
    glBindTexture(GL_TEXTURE_2D, 0);
}

} // namespace Maris
