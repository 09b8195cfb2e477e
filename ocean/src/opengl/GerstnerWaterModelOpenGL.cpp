#include "opengl/GerstnerWaterModelOpenGL.h"

#include <Maris/Memory.h>
#include <Maris/Message.h>
#include "opengl/OpenGLEntryPoints.h"
#include "opengl/OpenGLErrorCheck.h"

#include <cstdio>

namespace Maris {

namespace {

void DrainOpenGLErrors()
{
    while (glGetError() != GL_NO_ERROR) {
    }
}

} // namespace

GerstnerWaterModelOpenGL::GerstnerWaterModelOpenGL(Environment* env)
    : GerstnerWaterModel(env), locations(nullptr), numWavesLocation(-1), timeLocation(-1)
{
}

GerstnerWaterModelOpenGL::~GerstnerWaterModelOpenGL()
{
    FreeMemory(locations);
}

bool GerstnerWaterModelOpenGL::Initialize(std::uint32_t grid, std::uint32_t, bool flag)
{
    gridShader = grid;
    if (grid == 0 || !GerstnerWaterModel::Initialize(grid, flag))
        return false;

    DrainOpenGLErrors();
    FreeMemory(locations);
    locations = static_cast<int*>(AllocateMemory(sizeof(int) * LocationsPerWave * waveCount));

    const GLuint program = gridShader;
    char name[256];
    for (int i = 0; i < waveCount; ++i) {
        int* wave = locations + i * LocationsPerWave;
        std::snprintf(name, sizeof name, "waves[%d].frequency", i);
        wave[FrequencyLocation] = glGetUniformLocation(program, name);
        std::snprintf(name, sizeof name, "waves[%d].phaseSpeed", i);
        wave[PhaseSpeedLocation] = glGetUniformLocation(program, name);
        std::snprintf(name, sizeof name, "waves[%d].amplitude", i);
        wave[AmplitudeLocation] = glGetUniformLocation(program, name);
        std::snprintf(name, sizeof name, "waves[%d].direction", i);
        wave[DirectionLocation] = glGetUniformLocation(program, name);
        std::snprintf(name, sizeof name, "waves[%d].steepness", i);
        wave[SteepnessLocation] = glGetUniformLocation(program, name);
        for (int k = 0; k < LocationsPerWave; ++k)
            if (wave[k] == -1) {
                Message("One or more wave parameters not found in the OpenGL Gerstner shader. Did "
                        "you change the number of waves in the config file but not update the "
                        "MAX_WAVES definition in the .glsl files?");
                return false;
            }
    }

    numWavesLocation = glGetUniformLocation(program, "numWaves");
    if (numWavesLocation == -1) {
        Message("numWavesLoc parameter not found in the Gerstner GL shader.");
        return false;
    }
    timeLocation = glGetUniformLocation(program, "time");
    if (timeLocation == -1) {
        Message("time parameter not found in the Gerstner GL shader.");
        return false;
    }
    return CheckOpenGLError("GerstnerWaterModelOpenGL", __LINE__);
}

bool GerstnerWaterModelOpenGL::PrepareShader(double when)
{
    if (!GerstnerWaterModel::PrepareShader(when) || !locations)
        return false;

    DrainOpenGLErrors();
    glUseProgram(gridShader);
    glUniform1f(timeLocation, static_cast<float>(when));
    glUniform1i(numWavesLocation, waveCount);
    for (int i = 0; i < waveCount; ++i) {
        const GerstnerWave& wave = waves[i];
        const int* location = locations + i * LocationsPerWave;
        glUniform1f(location[FrequencyLocation], wave.frequency);
        glUniform1f(location[AmplitudeLocation], wave.amplitude);
        glUniform1f(location[SteepnessLocation], wave.steepness);
        glUniform1f(location[PhaseSpeedLocation], wave.phaseSpeed);
        glUniform2f(location[DirectionLocation], wave.directionX, wave.directionY);
    }
    return CheckOpenGLError("GerstnerWaterModelOpenGL", __LINE__);
}

} // namespace Maris
