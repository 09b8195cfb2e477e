#include "opengl/ProjectedGridOpenGL.h"

#include "core/Configuration.h"
#include <Maris/Environment.h>
#include <Maris/Memory.h>
#include <Maris/Message.h>
#include "lighting/OceanLightingModel.h"
#include "opengl/OpenGLEntryPoints.h"
#include "opengl/OpenGLErrorCheck.h"
#include "opengl/OpenGLExtensions.h"
#include "opengl/OpenGLProgram.h"
#include "wakes/WakeManager.h"
#include "waves/WaterModel.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace Maris {

const char* const ProjectedGridOpenGL::uniformNames[UniformCount] = {
    "antiAliasing",
    "cameraPos",
    "invModelviewProj",
    "modelview",
    "projection",
    "depthOffset",
    "cubeMapMatrix",
    "planarReflectionMapMatrix",
    "gridScale",
    "basis",
    "invBasis",
    "gridSize",
    "heightMap",
    "hasHeightMap",
    "heightMapMatrix",
    "floorPlanePoint",
    "floorPlaneNormal",
    "fogColor",
    "fogDensity",
    "fogDensityBelow",
    "seaLevel",
    "planarHeight",
    "planarAdjust",
    "planarReflectionBlend",
    "kexp",
    "breakerWavelength",
    "breakerWavelengthVariance",
    "breakerDirection",
    "breakerAmplitude",
    "breakerPhaseConstant",
    "surgeDepth",
    "steepnessVariance",
    "northPole",
    "north",
    "east",
    "radii",
    "oneOverRadii",
    "plane",
    "referenceLocation",
    "modelMatrix"};

namespace {

void DrainOpenGLErrors()
{
    while (glGetError() != GL_NO_ERROR) {
    }
}

// Core profiles have no fixed-function or attribute-stack state to save or reset.
bool IsCoreProfile()
{
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if (!version || version[0] < '3')
        return false;
    GLint mask = 0;
    glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &mask);
    DrainOpenGLErrors();
    return (mask & GL_CONTEXT_CORE_PROFILE_BIT) != 0;
}

} // namespace

ProjectedGridOpenGL::ProjectedGridOpenGL(bool breaking)
    : ProjectedGrid(breaking), vertexBuffer(0), indexBuffer(0), indexCount(0), mainProgram(0),
      patchProgram(0), mainVertexShader(0), mainFragmentShader(0), patchVertexShader(0),
      patchFragmentShader(0), mainLocations(), patchLocations(), vertexArray(0),
      hasVertexArrayObject(false), hasUnifiedMemory(false), hasMultisample(false), emptyTexture(0)
{
    for (int i = 0; i < UniformCount; ++i)
        mainLocations.uniform[i] = patchLocations.uniform[i] = -1;
    mainLocations.vertex = patchLocations.vertex = -1;
}

ProjectedGridOpenGL::~ProjectedGridOpenGL() { DeleteObjects(); }

void ProjectedGridOpenGL::DeleteObjects()
{
    if (!AreOpenGLEntryPointsResolved())
        return;
    if (vertexBuffer)
        glDeleteBuffers(1, &vertexBuffer);
    if (indexBuffer)
        glDeleteBuffers(1, &indexBuffer);
    if (vertexArray)
        glDeleteVertexArrays(1, &vertexArray);
    const GLuint programs[2] = {mainProgram, patchProgram};
    for (GLuint program : programs)
        if (program)
            glDeleteProgram(program);
    const GLuint shaders[4] = {mainVertexShader, mainFragmentShader, patchVertexShader,
                               patchFragmentShader};
    for (GLuint shader : shaders)
        if (shader)
            glDeleteShader(shader);
    if (emptyTexture)
        glDeleteTextures(1, &emptyTexture);
    vertexBuffer = indexBuffer = vertexArray = mainProgram = patchProgram = 0;
    mainVertexShader = mainFragmentShader = patchVertexShader = patchFragmentShader = 0;
    emptyTexture = 0;
}

bool ProjectedGridOpenGL::Initialize(Environment* env, WaterModelType type,
                                     std::uint32_t gridResolution)
{
    if (!ProjectedGrid::Initialize(env, type, gridResolution))
        return false;

    hasVertexArrayObject = IsExtensionSupported("GL_ARB_vertex_array_object");
    hasUnifiedMemory = IsExtensionSupported("GL_NV_vertex_buffer_unified_memory") &&
                       IsExtensionSupported("GL_NV_shader_buffer_load");
    hasMultisample = IsExtensionSupported("GL_ARB_multisample");
    // Probing the classic extension string fails harmlessly in core profiles.
    DrainOpenGLErrors();

    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if (!version || version[0] < '2') {
        Message("OpenGL 2.0 capabilities not present on this system.");
        return false;
    }
    if (!CreateBuffers() || !LoadShaders())
        return false;

    glGenTextures(1, &emptyTexture);
    glBindTexture(GL_TEXTURE_2D, emptyTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
    return true;
}

bool ProjectedGridOpenGL::CreateBuffers()
{
    const std::uint32_t n = resolution;
    if (n < 2)
        return false;
    const std::size_t vertexCount = static_cast<std::size_t>(n) * n;
    float* vertices = static_cast<float*>(AllocateMemory(vertexCount * 2 * sizeof(float)));
    if (!vertices) {
        Message("Failed to allocate system memory for OpenGL vertex buffer");
        return false;
    }
    const float step = 2.0f / static_cast<float>(n - 1);
    for (std::uint32_t i = 0; i < n; ++i)
        for (std::uint32_t j = 0; j < n; ++j) {
            float* v = vertices + (static_cast<std::size_t>(i) * n + j) * 2;
            v[0] = static_cast<float>(i) * step - 1.0f;
            v[1] = static_cast<float>(j) * step - 1.0f;
        }

    indexCount = 2 * (n - 1) * (n + 1);
    std::uint32_t* indices =
        static_cast<std::uint32_t*>(AllocateMemory(sizeof(std::uint32_t) * indexCount));
    if (!indices) {
        FreeMemory(vertices);
        Message("Failed to allocate system memory for OpenGL index buffer");
        return false;
    }
    std::uint32_t* out = indices;
    for (std::uint32_t row = 0; row + 1 < n; ++row) {
        const std::uint32_t k = row * n;
        // Degenerate joins between rows keep the whole grid one strip.
        *out++ = k;
        for (std::uint32_t column = 0; column < n; ++column) {
            *out++ = k + column;
            *out++ = k + column + n;
        }
        *out++ = k + (n - 1) + n;
    }

    glGenBuffers(1, &vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertexCount * 2 * sizeof(float)),
                 vertices, GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glGenBuffers(1, &indexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                 static_cast<GLsizeiptr>(sizeof(std::uint32_t) * indexCount), indices,
                 GL_STATIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    FreeMemory(vertices);
    FreeMemory(indices);
    return true;
}

String ProjectedGridOpenGL::ShaderFileName(bool vertexShader, bool patch) const
{
    String name(Configuration::Get(ConfigKey::ShaderFilenamePrefix));
    name += vertexShader ? "projgrid-" : "ocean-frag-";
    const bool gerstner = waterModelType == GerstnerWaves;
    if (!(gerstner && !vertexShader)) {
        const CoordinateSystem system = environment->GetCoordinateSystem();
        name += (system == FlatZUp || system == FlatYUp) ? "flat-" : "ellipsoid-";
    }
    name += gerstner ? "gerstner" : "fft";
    if (patch)
        name += "-patch";
    name += ".glsl";
    return name;
}

String ProjectedGridOpenGL::ShaderPreamble() const
{
    String preamble = environment->GetRenderer() >= OpenGL32 ? "#version 150\n#define OPENGL32\n"
                                                             : "#version 120\n";
    if (Configuration::Get(ConfigKey::WakePropellerBackwash))
        preamble += "#define PROPELLER_WASH\n";
    if (Configuration::Get(ConfigKey::WakeKelvinWakes))
        preamble += "#define KELVIN_WAKES\n";
    if (breakingWaves)
        preamble += "#define BREAKING_WAVES\n";
    if (environment->GetHDR())
        preamble += "#define HDR\n";
    const int maxWakeWaves = Configuration::Get(ConfigKey::MaxWakeWavesOpenGL);
    char line[64];
    std::snprintf(line, sizeof line, "#define MAX_WAKE_WAVES %d\n", maxWakeWaves);
    preamble += line;
    return preamble;
}

std::uint32_t ProjectedGridOpenGL::CompileShader(const char* fileName, bool vertexShader)
{
    const String errorPrefix = String(fileName) + ": ";
    return CompileShaderFile(environment->GetResourceLoader(),
                             vertexShader ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER, fileName,
                             ShaderPreamble().c_str(), errorPrefix.c_str());
}

void ProjectedGridOpenGL::LookUpLocations(std::uint32_t program, ProgramLocations& locations)
{
    LookUpUniforms(program, uniformNames, UniformCount, locations.uniform);
    locations.vertex = program ? glGetAttribLocation(program, "vertex") : -1;
}

bool ProjectedGridOpenGL::LoadShaders()
{
    if (hasVertexArrayObject && glGenVertexArrays)
        glGenVertexArrays(1, &vertexArray);

    mainVertexShader = CompileShader(ShaderFileName(true, false).c_str(), true);
    mainFragmentShader = CompileShader(ShaderFileName(false, false).c_str(), false);
    if (!mainVertexShader || !mainFragmentShader)
        return false;
    if (waterModelType != GerstnerWaves) {
        patchVertexShader = CompileShader(ShaderFileName(true, true).c_str(), true);
        patchFragmentShader = CompileShader(ShaderFileName(false, true).c_str(), false);
        if (!patchVertexShader || !patchFragmentShader)
            return false;
    }

    const char* const linkFailure = "Failed to link shader program for OpenGL.";
    mainProgram = LinkShaderProgram(mainVertexShader, mainFragmentShader, linkFailure);
    if (!mainProgram)
        return false;
    if (patchVertexShader) {
        patchProgram = LinkShaderProgram(patchVertexShader, patchFragmentShader, linkFailure);
        if (!patchProgram)
            return false;
    }
    LookUpLocations(mainProgram, mainLocations);
    LookUpLocations(patchProgram, patchLocations);
    return MARIS_CHECK_GL_ERROR();
}

void ProjectedGridOpenGL::SetGridUniforms(const ProgramLocations& locations,
                                          const double* modelMatrix)
{
    const int* at = locations.uniform;
    const bool geocentric = IsGeocentric();
    const Vector3& eye = environment->GetCameraPosition();

    Matrix4 modelview = environment->GetCameraMatrix();
    if (geocentric)
        modelview.SetTranslation(Vector3());
    const Matrix4& projection = environment->GetProjectionMatrix();

    SetUniformFloat(at[AntiAliasing], antiAliasing);
    SetUniformVector3(at[CameraPosition], eye);
    SetUniformMatrix4(at[InverseModelviewProjection], (modelview * projection).Inverse());
    SetUniformMatrix4(at[Modelview], modelview);
    SetUniformMatrix4(at[Projection], projection);
    SetUniformFloat(at[DepthOffset], depthOffset);
    SetUniformMatrix3(at[CubeMapMatrix], environment->GetEnvironmentMapMatrix());
    SetUniformMatrix3(at[PlanarReflectionMapMatrix], environment->GetPlanarReflectionMapMatrix());
    SetUniformMatrix4(at[GridScale], ComputeGridScale());
    SetUniformMatrix3(at[Basis], basis);
    SetUniformMatrix3(at[InverseBasis], inverseBasis);
    SetUniformFloat(at[GridSize], static_cast<double>(resolution));

    glActiveTexture(GL_TEXTURE5);
    if (environment->GetHeightMap()) {
        glBindTexture(GL_TEXTURE_2D, environment->GetHeightMap());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        SetUniformInt(at[HasHeightMap], 1);
        SetUniformMatrix4(at[HeightMapMatrix], environment->GetHeightMapMatrix());
    } else {
        glBindTexture(GL_TEXTURE_2D, emptyTexture);
        SetUniformInt(at[HasHeightMap], 0);
        SetUniformMatrix4(at[HeightMapMatrix], Matrix4::Identity());
    }
    SetUniformInt(at[HeightMap], 5);
    glActiveTexture(GL_TEXTURE0);

    // The sea floor: a plane at the model's depth below the sea point under the camera. A floor
    // normal that does not face up (the models' default suits y-up worlds) is replaced by up.
    const Vector3 up = environment->GetUpVector();
    Vector3 floorNormal = up;
    const double depth = waterModel ? waterModel->GetDepth(floorNormal) : 1000.0;
    if (floorNormal.Dot(up) <= 0.0)
        floorNormal = up;
    floorNormal.Normalize();
    Vector3 seaPoint = eye - up * (up.Dot(eye) - environment->GetSeaLevel());
    if (geocentric) {
        Vector3 hit;
        if (IntersectSea(eye, -up * (eye.Length() + 1.0), 0.0, hit))
            seaPoint = hit;
    }
    SetUniformVector3(at[FloorPlanePoint], seaPoint - up * depth);
    SetUniformVector3(at[FloorPlaneNormal], floorNormal);

    const double visibilityBelow = environment->GetVisibilityBelowWater();
    const double densityBelow = visibilityBelow > 0.0 ? 3.912 / visibilityBelow : 0.0;
    if (IsAboveWater()) {
        const double visibility = environment->GetVisibilityAboveWater();
        SetUniformVector3(at[FogColor], environment->GetFogColorAboveWater());
        SetUniformFloat(at[FogDensity], visibility > 0.0 ? 3.912 / visibility : 0.0);
    } else {
        SetUniformVector3(at[FogColor], environment->GetFogColorBelowWater());
        SetUniformFloat(at[FogDensity], densityBelow);
    }
    SetUniformFloat(at[FogDensityBelow], densityBelow);
    SetUniformFloat(at[SeaLevel], environment->GetSeaLevel());
    SetUniformFloat(at[PlanarHeight], planarHeight);
    SetUniformFloat(at[PlanarAdjust], planarAdjust);
    SetUniformFloat(at[PlanarReflectionBlend], planarReflectionBlend);

    if (breakingWaves) {
        const BreakingWaveParameters& breakers = environment->GetBreakingWaveParameters();
        SetUniformFloat(at[Kexp], breakers.kexp);
        SetUniformFloat(at[BreakerWavelength], breakers.wavelength);
        SetUniformFloat(at[BreakerWavelengthVariance], breakers.wavelengthVariance);
        SetUniformVector3(at[BreakerDirection], breakers.direction);
        SetUniformFloat(at[BreakerAmplitude], breakers.amplitude);
        SetUniformFloat(at[BreakerPhaseConstant], breakers.phaseConstant);
        SetUniformFloat(at[SurgeDepth], breakers.surgeDepth);
        SetUniformFloat(at[SteepnessVariance], breakers.steepnessVariance);
    }

    if (geocentric) {
        const Vector3 r(radii.x + environment->GetSeaLevel(), radii.y + environment->GetSeaLevel(),
                        radii.z + environment->GetSeaLevel());
        SetUniformVector3(at[NorthPole], northPole);
        SetUniformVector3(at[North], north);
        SetUniformVector3(at[East], east);
        SetUniformVector3(at[Radii], r);
        SetUniformVector3(at[OneOverRadii], Vector3(1.0 / r.x, 1.0 / r.y, 1.0 / r.z));
        // The tangent plane under the camera, in camera-relative coordinates.
        const Vector3 scaled(eye.x / r.x, eye.y / r.y, eye.z / r.z);
        const double scale = scaled.Length();
        const Vector3 p = scale > 0.0 ? eye * (1.0 / scale) : eye;
        const Vector3 normal =
            Vector3(p.x / (r.x * r.x), p.y / (r.y * r.y), p.z / (r.z * r.z)).Normalized();
        double distance = (eye - p).Length();
        if (scale < 1.0)
            distance = -distance;
        if (at[Plane] != -1)
            glUniform4f(at[Plane], static_cast<float>(normal.x), static_cast<float>(normal.y),
                        static_cast<float>(normal.z), static_cast<float>(distance));
        SetUniformVector3(at[ReferenceLocation], Vector3(std::fmod(eye.x + 50000.0, 100000.0),
                                                         std::fmod(eye.y + 50000.0, 100000.0),
                                                         std::fmod(eye.z + 50000.0, 100000.0)));
    } else if (at[Plane] != -1) {
        const bool yUp = environment->GetCoordinateSystem() == FlatYUp;
        float level = static_cast<float>(environment->GetSeaLevel());
        const float cameraHeight = static_cast<float>(yUp ? eye.y : eye.z);
        // A camera exactly on the plane would see it edge on.
        if (level == cameraHeight)
            level += 0.1f;
        if (yUp)
            glUniform4f(at[Plane], 0.0f, 1.0f, 0.0f, -level);
        else
            glUniform4f(at[Plane], 0.0f, 0.0f, 1.0f, -level);
    }

    if (modelMatrix)
        SetUniformMatrix4(at[ModelMatrix], Matrix4(modelMatrix));
}

void ProjectedGridOpenGL::Draw(double time, bool depthWrites)
{
    DrainOpenGLErrors();
    if (!environment || !waterModel || !lightingModel || !mainProgram)
        return;

    GLint viewport[4] = {0, 0, 1, 1};
    glGetIntegerv(GL_VIEWPORT, viewport);
    if (viewport[3] > 0)
        aspectRatio = static_cast<double>(viewport[2]) / viewport[3];

    glUseProgram(mainProgram);
    SetGridUniforms(mainLocations, nullptr);
    if (wakeManager && !wakeManager->PrepareShader(environment))
        return;
    if (!waterModel->PrepareShader(time) || !lightingModel->SetUniforms())
        return;
    glUseProgram(mainProgram);

    const bool attributes = environment->GetRenderer() >= OpenGL32 && mainLocations.vertex >= 0;
    if (attributes) {
        if (vertexArray)
            glBindVertexArray(vertexArray);
        glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
        glEnableVertexAttribArray(static_cast<GLuint>(mainLocations.vertex));
        glVertexAttribPointer(static_cast<GLuint>(mainLocations.vertex), 2, GL_FLOAT, GL_FALSE, 8,
                              nullptr);
    } else {
        glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
        glEnableClientState(GL_VERTEX_ARRAY);
        glVertexPointer(2, GL_FLOAT, 0, nullptr);
    }
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);

    if (wireframe)
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CW);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(depthWrites ? GL_TRUE : GL_FALSE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    glDrawElements(GL_TRIANGLE_STRIP, static_cast<GLsizei>(indexCount), GL_UNSIGNED_INT, nullptr);

    glDepthMask(GL_TRUE);
    if (wireframe)
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    if (attributes) {
        glDisableVertexAttribArray(static_cast<GLuint>(mainLocations.vertex));
        if (vertexArray)
            glBindVertexArray(0);
    } else {
        glDisableClientState(GL_VERTEX_ARRAY);
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glUseProgram(0);
    MARIS_CHECK_GL_ERROR();
}

bool ProjectedGridOpenGL::DrawPatch(double time, int stride, const void* vertices, bool doubles,
                                    const double* modelMatrix)
{
    DrainOpenGLErrors();
    if (!environment || !waterModel || !lightingModel || !patchProgram || !vertices)
        return false;

    glUseProgram(patchProgram);
    const Matrix4 identity;
    SetGridUniforms(patchLocations, modelMatrix ? modelMatrix : identity.Pointer());
    if (wakeManager && !wakeManager->PreparePatchShader(environment))
        return false;
    if (!waterModel->PreparePatchShader(time) || !lightingModel->SetPatchUniforms())
        return false;
    glUseProgram(patchProgram);

    // The host draws its own primitives from this array with the patch program bound.
    const GLenum type = doubles ? GL_DOUBLE : GL_FLOAT;
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    if (environment->GetRenderer() >= OpenGL32 && patchLocations.vertex >= 0) {
        glEnableVertexAttribArray(static_cast<GLuint>(patchLocations.vertex));
        glVertexAttribPointer(static_cast<GLuint>(patchLocations.vertex), 3, type, GL_FALSE,
                              stride, vertices);
    } else {
        glEnableClientState(GL_VERTEX_ARRAY);
        glVertexPointer(3, type, stride, vertices);
    }
    glEnable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    return MARIS_CHECK_GL_ERROR();
}

bool ProjectedGridOpenGL::UnbindProgram()
{
    glUseProgram(0);
    return true;
}

void ProjectedGridOpenGL::PushState()
{
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    savedPrograms.push_back(program);
    if (!IsCoreProfile()) {
        glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
        glPushAttrib(0xFFFFF);
    }
    MARIS_CHECK_GL_ERROR();
}

void ProjectedGridOpenGL::PopState()
{
    if (!savedPrograms.empty()) {
        glUseProgram(static_cast<GLuint>(savedPrograms.back()));
        savedPrograms.pop_back();
    }
    if (!IsCoreProfile()) {
        glPopAttrib();
        glPopClientAttrib();
    }
    MARIS_CHECK_GL_ERROR();
}

void ProjectedGridOpenGL::ResetState()
{
    if (!IsCoreProfile()) {
        glDisable(GL_ALPHA_TEST);
        glDisable(GL_AUTO_NORMAL);
        glDisable(GL_BLEND);
        glDisable(GL_COLOR_MATERIAL);
        glDisable(GL_DITHER);
        glDisable(GL_FOG);
        for (GLenum light = GL_LIGHT0; light <= GL_LIGHT3; ++light)
            glDisable(light);
        glDisable(GL_LIGHTING);
        glDisable(GL_LINE_STIPPLE);
        GLint units = 1;
        glGetIntegerv(GL_MAX_TEXTURE_UNITS, &units);
        for (GLint unit = 0; unit < units; ++unit) {
            glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
            glDisable(GL_TEXTURE_2D);
            glDisable(GL_TEXTURE_3D);
            glDisable(GL_TEXTURE_RECTANGLE);
        }
        glActiveTexture(GL_TEXTURE0);
        glEnable(GL_LINE_SMOOTH);
        glDisableClientState(GL_VERTEX_ARRAY);
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_COLOR_ARRAY);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    } else {
        glDisable(GL_BLEND);
        glDisable(GL_DITHER);
    }
    glEnable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glFrontFace(GL_CCW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    MARIS_CHECK_GL_ERROR();
}

} // namespace Maris
