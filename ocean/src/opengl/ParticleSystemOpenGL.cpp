#include "opengl/ParticleSystemOpenGL.h"

#include <Maris/Environment.h>
#include <Maris/Memory.h>
#include <Maris/Message.h>
#include "opengl/OpenGLEntryPoints.h"
#include "opengl/OpenGLErrorCheck.h"
#include "opengl/OpenGLExtensions.h"
#include "opengl/OpenGLProgram.h"
#include "opengl/ParticleShaderProgram.h"
#include "opengl/ParticleVertex.h"
#include <Maris/RandomNumberGenerator.h>

#include <cstddef>
#include <cstring>

namespace Maris {

namespace {

const char* const attributeNames[] = {"initialPosition", "initialVelocity", "size",
                                      "startTime",       "offsetX",         "offsetY",
                                      "texCoordX",       "texCoordY"};
const char* const uniformNames[] = {"modelView",   "mvProj",          "time",
                                    "g",           "particleTexture", "lightColor",
                                    "transparency", "cameraPos",      "heightMap",
                                    "heightMapMatrix", "hasHeightMap", "invSizeFactor"};
// Components and byte offsets of the eight attributes within the 48-byte vertex.
const int attributeComponents[] = {3, 3, 1, 1, 1, 1, 1, 1};
const std::size_t attributeOffsets[] = {0, 12, 24, 28, 32, 36, 40, 44};

// Corner offsets and texture coordinates of the two triangles of a quad.
const float quadCorners[6][4] = {{-1.0f, -1.0f, 0.0f, 1.0f}, {1.0f, -1.0f, 1.0f, 1.0f},
                                 {-1.0f, 1.0f, 0.0f, 0.0f},  {1.0f, -1.0f, 1.0f, 1.0f},
                                 {1.0f, 1.0f, 1.0f, 0.0f},   {-1.0f, 1.0f, 0.0f, 0.0f}};

} // namespace

ParticleSystemOpenGL::ParticleSystemOpenGL(Environment* environmentIn)
    : ParticleSystem(environmentIn), texture(0), vertexBuffer(0), vertexArray(0),
      hasVertexArray(false), program(0), capacity(0), pointSprites(false), verticesPerParticle(6)
{
    for (int& location : attributes)
        location = -1;
    for (int& location : uniforms)
        location = -1;
}

ParticleSystemOpenGL::~ParticleSystemOpenGL()
{
    if (vertexBuffer && glDeleteBuffers)
        glDeleteBuffers(1, &vertexBuffer);
    if (hasVertexArray && glDeleteVertexArrays)
        glDeleteVertexArrays(1, &vertexArray);
}

bool ParticleSystemOpenGL::Initialize(std::uint32_t textureIn, std::uint32_t programIn,
                                      std::uint32_t capacityIn, const SeaFrame* frameIn)
{
    if (!textureIn || !programIn || !frameIn || !environment)
        return false;
    texture = textureIn;
    program = programIn;
    capacity = capacityIn;
    frame = frameIn;
    pointSprites = UseParticlePointSprites();
    verticesPerParticle = pointSprites ? 1 : 6;

    const std::size_t bytes =
        static_cast<std::size_t>(capacity) * verticesPerParticle * sizeof(ParticleVertex);
    void* zeros = AllocateMemory(bytes > 0 ? bytes : 1);
    std::memset(zeros, 0, bytes > 0 ? bytes : 1);
    glGenBuffers(1, &vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(bytes), zeros, GL_DYNAMIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    FreeMemory(zeros);

    const bool vertexArraysSupported = IsExtensionSupported("GL_ARB_vertex_array_object");
    // Core contexts refuse the classic extension string the test may have tried first.
    while (::glGetError() != GL_NO_ERROR) {
    }
    if (vertexArraysSupported && glGenVertexArrays) {
        glGenVertexArrays(1, &vertexArray);
        hasVertexArray = true;
    }

    for (int i = 0; i < AttributeCount; ++i)
        attributes[i] = glGetAttribLocation(program, attributeNames[i]);
    LookUpUniforms(program, uniformNames, UniformCount, uniforms);
    bool allFound = true;
    for (int location : uniforms)
        allFound = allFound && location != -1;
    if (!allFound) {
        Message("Expected particle uniforms not found.");
        return false;
    }
    return MARIS_CHECK_GL_ERROR();
}

float ParticleSystemOpenGL::ViewportWidth() const
{
    GLint viewport[4] = {0, 0, 0, 0};
    ::glGetIntegerv(GL_VIEWPORT, viewport);
    return viewport[2] > 0 ? static_cast<float>(viewport[2]) : 1.0f;
}

void ParticleSystemOpenGL::WriteParticle(ParticleVertex* out, double time, const Vector3& point,
                                         const Vector3& direction, double directionVariance,
                                         double speed, double speedVariance,
                                         double positionVariance, double size, double sizeVariance,
                                         bool horizontalOffset)
{
    RandomNumberGenerator* random = environment->GetRandomNumberGenerator();
    Vector3 offset(random->GetRandomNumber(-positionVariance, positionVariance),
                   random->GetRandomNumber(-positionVariance, positionVariance),
                   random->GetRandomNumber(-positionVariance, positionVariance));
    if (horizontalOffset) {
        const Vector3 up = environment->GetUpVector();
        offset = offset - up * offset.Dot(up);
    }
    const Vector3 position = point + offset;
    Vector3 heading(direction.x + random->GetRandomNumber(-directionVariance, directionVariance),
                    direction.y + random->GetRandomNumber(-directionVariance, directionVariance),
                    direction.z + random->GetRandomNumber(-directionVariance, directionVariance));
    heading.Normalize();
    const Vector3 velocity =
        heading * (speed + random->GetRandomNumber(-speedVariance, speedVariance));
    const float viewportWidth = ViewportWidth();
    const float particleSize = viewportWidth * static_cast<float>(
                                                   size + random->GetRandomNumber(-sizeVariance,
                                                                                  sizeVariance));
    const float startTime = static_cast<float>(time - GetReferenceTime());
    const float half = inverseSizeFactor * particleSize * 0.5f;

    for (std::uint32_t v = 0; v < verticesPerParticle; ++v) {
        ParticleVertex& vertex = out[v];
        vertex.initialPosition[0] = static_cast<float>(position.x);
        vertex.initialPosition[1] = static_cast<float>(position.y);
        vertex.initialPosition[2] = static_cast<float>(position.z);
        vertex.initialVelocity[0] = static_cast<float>(velocity.x);
        vertex.initialVelocity[1] = static_cast<float>(velocity.y);
        vertex.initialVelocity[2] = static_cast<float>(velocity.z);
        vertex.size = particleSize;
        vertex.startTime = startTime;
        if (pointSprites) {
            vertex.offsetX = vertex.offsetY = vertex.texCoordX = vertex.texCoordY = 0.0f;
        } else {
            vertex.offsetX = quadCorners[v][0] * half;
            vertex.offsetY = quadCorners[v][1] * half;
            vertex.texCoordX = quadCorners[v][2];
            vertex.texCoordY = quadCorners[v][3];
        }
    }
}

bool ParticleSystemOpenGL::Emit(double time, const Vector<Vector3>& points,
                                const Vector3& direction, double directionVariance, double speed,
                                double speedVariance, double positionVariance, double size,
                                double sizeVariance)
{
    if (!environment || !vertexBuffer)
        return false;
    NoteEmission(time);
    inverseSizeFactor = 1.0f / ViewportWidth();

    const std::uint32_t wanted = static_cast<std::uint32_t>(points.size());
    const std::uint32_t first = nextSlot;
    std::uint32_t count = wanted;
    if (nextSlot + wanted < capacity) {
        nextSlot += wanted;
    } else {
        // The ring wraps: fill up to the slot before the last one and start over.
        count = capacity > nextSlot ? capacity - nextSlot - 1 : 0;
        nextSlot = 0;
    }
    if (count == 0)
        return true;

    const std::size_t bytes =
        static_cast<std::size_t>(count) * verticesPerParticle * sizeof(ParticleVertex);
    ParticleVertex* vertices = static_cast<ParticleVertex*>(AllocateMemory(bytes));
    if (!vertices) {
        Message("Could not map particle buffer.");
        return false;
    }
    for (std::uint32_t i = 0; i < count; ++i)
        WriteParticle(vertices + static_cast<std::size_t>(i) * verticesPerParticle, time, points[i],
                      direction, directionVariance, speed, speedVariance, positionVariance, size,
                      sizeVariance, false);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glBufferSubData(GL_ARRAY_BUFFER,
                    static_cast<GLintptr>(static_cast<std::size_t>(first) * verticesPerParticle *
                                          sizeof(ParticleVertex)),
                    static_cast<GLsizeiptr>(bytes), vertices);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    FreeMemory(vertices);
    return MARIS_CHECK_GL_ERROR();
}

bool ParticleSystemOpenGL::Start(double time, const Vector3& direction, double directionVariance,
                                 double speed, double speedVariance, const Vector3& position,
                                 double positionVariance, double size, double sizeVariance)
{
    if (!environment || !vertexBuffer)
        return false;
    NoteEmission(time);
    endTime = BurstEndTime(time, positionVariance, speed + speedVariance, gravity,
                           environment->GetMetersPerUnit());
    inverseSizeFactor = 1.0f / ViewportWidth();

    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    ParticleVertex* vertices =
        static_cast<ParticleVertex*>(glMapBuffer(GL_ARRAY_BUFFER, GL_WRITE_ONLY));
    if (!vertices) {
        Message("Could not map particle buffer.");
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        return false;
    }
    for (std::uint32_t i = 0; i < capacity; ++i)
        WriteParticle(vertices + static_cast<std::size_t>(i) * verticesPerParticle, time, position,
                      direction, directionVariance, speed, speedVariance, positionVariance, size,
                      sizeVariance, true);
    glUnmapBuffer(GL_ARRAY_BUFFER);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return MARIS_CHECK_GL_ERROR();
}

void ParticleSystemOpenGL::BindAttributes()
{
    for (int i = 0; i < AttributeCount; ++i) {
        if (attributes[i] < 0)
            continue;
        const GLuint location = static_cast<GLuint>(attributes[i]);
        glEnableVertexAttribArray(location);
        glVertexAttribPointer(location, attributeComponents[i], GL_FLOAT, GL_FALSE,
                              static_cast<GLsizei>(sizeof(ParticleVertex)),
                              reinterpret_cast<const void*>(attributeOffsets[i]));
    }
}

void ParticleSystemOpenGL::UnbindAttributes()
{
    for (int i = 0; i < AttributeCount; ++i)
        if (attributes[i] >= 0)
            glDisableVertexAttribArray(static_cast<GLuint>(attributes[i]));
}

void ParticleSystemOpenGL::Draw(double time)
{
    if (!environment || !program || !vertexBuffer)
        return;
    const bool modernContext = environment->GetRenderer() >= OpenGL32 && hasVertexArray;

    glUseProgram(program);
    Matrix4 modelView = environment->GetCameraMatrix();
    modelView.SetTranslation(Vector3());
    SetUniformMatrix4(uniforms[ModelView], modelView);
    SetUniformMatrix4(uniforms[MVProj], modelView * environment->GetProjectionMatrix());
    SetUniformFloat(uniforms[Time], time - GetReferenceTime());
    const Vector3 g = environment->GetUpVector() *
                      (-static_cast<double>(gravity) / environment->GetMetersPerUnit());
    SetUniformVector3(uniforms[Gravity], g);
    SetUniformVector3(uniforms[CameraPos], environment->GetCameraPosition());
    const Vector3& ambient = environment->GetAmbientColor();
    glUniform4f(uniforms[LightColor], static_cast<float>(ambient.x), static_cast<float>(ambient.y),
                static_cast<float>(ambient.z), 1.0f);
    SetUniformInt(uniforms[ParticleTexture], 0);
    SetUniformFloat(uniforms[Transparency], transparency);
    // Kept current every frame, so that sprites sized at the last emission stay right.
    SetUniformFloat(uniforms[InvSizeFactor], inverseSizeFactor);
    if (environment->GetHeightMap()) {
        glActiveTexture(GL_TEXTURE5);
        ::glBindTexture(GL_TEXTURE_2D, environment->GetHeightMap());
        ::glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        ::glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        SetUniformInt(uniforms[HeightMap], 5);
        SetUniformInt(uniforms[HasHeightMap], 1);
        SetUniformMatrix4(uniforms[HeightMapMatrix], environment->GetHeightMapMatrix());
    } else {
        SetUniformInt(uniforms[HasHeightMap], 0);
    }

    glActiveTexture(GL_TEXTURE0);
    ::glBindTexture(GL_TEXTURE_2D, texture);
    ::glEnable(GL_BLEND);
    if (pureAdditiveBlend)
        ::glBlendFunc(GL_ONE, GL_ONE);
    else
        ::glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_COLOR);
    ::glDepthMask(GL_FALSE);

    if (modernContext) {
        glBindVertexArray(vertexArray);
    } else if (pointSprites) {
        ::glEnable(GL_POINT_SPRITE);
        ::glTexEnvi(GL_POINT_SPRITE, GL_COORD_REPLACE, GL_TRUE);
    }
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    BindAttributes();
    ::glEnable(GL_DEPTH_TEST);
    if (pointSprites)
        ::glEnable(GL_VERTEX_PROGRAM_POINT_SIZE);
    ::glDisable(GL_CULL_FACE);
    ::glDrawArrays(pointSprites ? GL_POINTS : GL_TRIANGLES, 0,
                   static_cast<GLsizei>(capacity * verticesPerParticle));

    if (!modernContext && pointSprites) {
        ::glTexEnvi(GL_POINT_SPRITE, GL_COORD_REPLACE, GL_FALSE);
        ::glDisable(GL_POINT_SPRITE);
    }
    UnbindAttributes();
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    if (modernContext)
        glBindVertexArray(0);
    if (pointSprites)
        ::glDisable(GL_VERTEX_PROGRAM_POINT_SIZE);
    ::glEnable(GL_CULL_FACE);
    ::glDisable(GL_BLEND);
    ::glDepthMask(GL_TRUE);
    glUseProgram(0);
    MARIS_CHECK_GL_ERROR();
}

} // namespace Maris
