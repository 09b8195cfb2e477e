#include "opengl/WakeManagerOpenGL.h"

#include "core/Configuration.h"
#include <Maris/Environment.h>
#include "opengl/OpenGLEntryPoints.h"
#include "opengl/OpenGLErrorCheck.h"
#include "opengl/OpenGLProgram.h"
#include "spray/ParticleSystemManager.h"
#include "opengl/ParticleSystemOpenGL.h"
#include "opengl/SprayTexture.h"
#include <Maris/WakeSource.h>

namespace Maris {

namespace {

const char* const fieldNames[] = {"amplitude", "radius",   "k",      "halfWavelength",
                                  "position",  "washWidth", "deltaPos", "number",
                                  "hasPropWash", "propPosition"};

} // namespace

WakeManagerOpenGL::WakeManagerOpenGL(double metersPerUnitIn,
                                     ParticleSystemManager* particleSystemManagerIn)
    : WakeManager(metersPerUnitIn, particleSystemManagerIn), maxShaderWaves(25), sprayTexture(0),
      wavesSet(0)
{
}

WakeManagerOpenGL::~WakeManagerOpenGL()
{
    DeleteParticleShaderProgram(shaders);
    if (sprayTexture)
        ::glDeleteTextures(1, &sprayTexture);
}

bool WakeManagerOpenGL::Initialize(const SeaFrame* frameIn, const Matrix3& basisIn,
                                   Environment* environmentIn, std::uint32_t gridProgram,
                                   std::uint32_t patchProgram)
{
    if (!WakeManager::Initialize(frameIn, basisIn, environmentIn, gridProgram, patchProgram) ||
        !environment)
        return false;
    const int slots = Configuration::Get(ConfigKey::MaxWakeWavesOpenGL);
    maxShaderWaves = static_cast<std::uint32_t>(slots > 0 ? slots : 0);
    gridLocations.slots.assign(static_cast<std::size_t>(maxShaderWaves) * FieldCount, -1);
    patchLocations.slots.assign(static_cast<std::size_t>(maxShaderWaves) * FieldCount, -1);

    while (::glGetError() != GL_NO_ERROR) {
    }
    const char* preamble =
        ParticleShaderPreamble(environment->GetRenderer(), UseParticlePointSprites());
    if (!BuildParticleShaderProgram(environment, preamble, "GLSL error detected in wake manager!\n",
                                    shaders))
        return false;
    sprayTexture = CreateSprayTexture(environment);
    if (!sprayTexture)
        return false;
    for (std::uint32_t i = 0; i < maxSprays; ++i) {
        ParticleSystemOpenGL* system = new ParticleSystemOpenGL(environment);
        if (!system->Initialize(sprayTexture, shaders.program, sprayParticles, frame)) {
            delete system;
            return false;
        }
        system->SetTransparency(static_cast<float>(sprayTransparency));
        spraySystems[i] = system;
        if (particleSystemManager)
            particleSystemManager->AddParticleSystem(system);
    }

    if (gridShader)
        LookUp(gridShader, gridLocations);
    if (patchShader)
        LookUp(patchShader, patchLocations);
    return CheckOpenGLError("WakeManagerOpenGL", __LINE__);
}

void WakeManagerOpenGL::LookUp(std::uint32_t program, Locations& locations)
{
    LookUpUniformArray(program, "wakes", maxShaderWaves, fieldNames, FieldCount,
                       locations.slots.data());
    locations.doWakes = glGetUniformLocation(program, "doWakes");
    locations.washLength = glGetUniformLocation(program, "washLength");
}

Vector3 WakeManagerOpenGL::ToLocal(const Vector3& v) const
{
    if (!environment)
        return v;
    const CoordinateSystem system = environment->GetCoordinateSystem();
    if (system != FlatZUp && system != FlatYUp)
        return v;
    // Row vector times the basis.
    return basis.Transposed() * v;
}

bool WakeManagerOpenGL::PrepareShader(Environment* environmentIn)
{
    return SetUniforms(environmentIn, gridLocations);
}

bool WakeManagerOpenGL::PreparePatchShader(Environment* environmentIn)
{
    return SetUniforms(environmentIn, patchLocations);
}

bool WakeManagerOpenGL::SetUniforms(Environment* environmentIn, const Locations& locations)
{
    if (!environmentIn)
        return false;
    while (::glGetError() != GL_NO_ERROR) {
    }
    const bool haveSlots = locations.slots.size() >= static_cast<std::size_t>(maxShaderWaves) *
                                                         FieldCount;
    std::uint32_t slot = 0;
    for (const WakeWave& wave : drawList) {
        if (!haveSlots || slot >= maxShaderWaves)
            break;
        if (environmentIn->CullSphere(wave.position, wave.radius + wave.wavelength * 0.25))
            continue;
        const int* l = &locations.slots[slot * FieldCount];
        SetUniformFloat(l[Amplitude], wave.amplitude);
        SetUniformFloat(l[Radius], wave.radius);
        SetUniformFloat(l[K], 6.2831853 / wave.wavelength);
        SetUniformFloat(l[HalfWavelength], wave.wavelength * 0.25);
        SetUniformVector3(l[Position], ToLocal(wave.position));
        SetUniformFloat(l[WashWidth], wave.washWidth);
        SetUniformVector3(l[DeltaPos], ToLocal(wave.deltaPosition));
        SetUniformInt(l[Number], static_cast<int>(wave.number));
        const bool wash = wave.source && wave.source->HasPropellerWash() && !wave.persistent;
        SetUniformInt(l[HasPropWash], wash ? 1 : 0);
        SetUniformVector3(l[PropPosition], ToLocal(wave.propellerPosition));
        ++slot;
    }
    wavesSet = slot;
    SetUniformInt(locations.doWakes, slot > 0 ? 1 : 0);
    const float washMeters = static_cast<float>(Configuration::Get(ConfigKey::WakeWashLength));
    SetUniformFloat(locations.washLength, washMeters / metersPerUnit);
    for (std::uint32_t empty = slot; haveSlots && empty < maxShaderWaves; ++empty) {
        const int* l = &locations.slots[empty * FieldCount];
        SetUniformFloat(l[Amplitude], 0.0);
        SetUniformFloat(l[Radius], 0.0);
        SetUniformFloat(l[K], 0.0);
        SetUniformFloat(l[HalfWavelength], 0.0);
        SetUniformVector3(l[Position], Vector3());
        SetUniformFloat(l[WashWidth], 0.0);
        SetUniformVector3(l[DeltaPos], Vector3(1.0, 0.0, 0.0));
        SetUniformInt(l[Number], 0);
        SetUniformInt(l[HasPropWash], 0);
        SetUniformVector3(l[PropPosition], Vector3());
    }
    return MARIS_CHECK_GL_ERROR();
}

} // namespace Maris
