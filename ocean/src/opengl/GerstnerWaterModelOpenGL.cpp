#include "opengl/GerstnerWaterModelOpenGL.h"

#include <Maris/Memory.h>
#include <Maris/Message.h>
#include "opengl/OpenGLEntryPoints.h"
#include "opengl/OpenGLErrorCheck.h"
#include "opengl/OpenGLProgram.h"

namespace Maris {

namespace {

// In the order of WaveUniform.
const char* const waveFields[] = {"steepness", "amplitude", "frequency", "direction", "phaseSpeed"};

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

bool GerstnerWaterModelOpenGL::Initialize(std::uint32_t grid, std::uint32_t, bool engineFlag)
{
    gridShader = grid;
    if (grid == 0 || !GerstnerWaterModel::Initialize(grid, engineFlag))
        return false;

    DrainOpenGLErrors();
    FreeMemory(locations);
    locations = static_cast<int*>(AllocateMemory(sizeof(int) * LocationsPerWave * waveCount));

    const GLuint program = gridShader;
    LookUpUniformArray(program, "waves", static_cast<std::uint32_t>(waveCount), waveFields,
                       LocationsPerWave, locations);
    for (int i = 0; i < LocationsPerWave * waveCount; ++i)
        if (locations[i] == -1) {
            Message("One or more wave parameters not found in the OpenGL Gerstner shader. Did you "
                    "change the number of waves in the config file but not update the MAX_WAVES "
                    "definition in the .glsl files?");
            return false;
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
    SetUniformFloat(timeLocation, when);
    SetUniformInt(numWavesLocation, waveCount);
    for (int i = 0; i < waveCount; ++i) {
        const GerstnerWave& wave = waves[i];
        const int* location = locations + i * LocationsPerWave;
        SetUniformFloat(location[FrequencyLocation], wave.frequency);
        SetUniformFloat(location[AmplitudeLocation], wave.amplitude);
        SetUniformFloat(location[SteepnessLocation], wave.steepness);
        SetUniformFloat(location[PhaseSpeedLocation], wave.phaseSpeed);
        glUniform2f(location[DirectionLocation], wave.directionX, wave.directionY);
    }
    return CheckOpenGLError("GerstnerWaterModelOpenGL", __LINE__);
}

} // namespace Maris
