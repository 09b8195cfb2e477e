#pragma once

#include "opengl/ParticleShaderProgram.h"
#include "wakes/WakeManager.h"

namespace Maris {

// The wake manager's OpenGL side: it hands the drawn rings to the grid's main and patch programs
// and owns the particle program, the spray texture and the wake spray systems.
//
// Uniforms set in the grid programs (before each draw; the grid binds its program first). Each
// is skipped when the program does not declare it. The shaders declare
//
//     struct Wake {
//         float amplitude;      // world units; 0 in an empty slot
//         float radius;         // ring radius; 0
//         float k;              // 2 pi / wavelength; 0
//         float halfWavelength; // wavelength * 0.25 (the ring's half width); 0
//         vec3 position;        // ring centre, local axes of the sea; (0, 0, 0)
//         float washWidth;      // propeller-wash width at the ring; 0
//         vec3 deltaPos;        // to the previous drawn ring's propeller, (0, 0, 0) for a
//                               // source's first ring; (1, 0, 0) in an empty slot
//         int number;           // the ring's number within its source; 0
//         int hasPropWash;      // 1 when the source has propeller wash; 0
//         vec3 propPosition;    // the propeller when the ring was made; (0, 0, 0)
//     };
//     uniform Wake wakes[MAX_WAKE_WAVES];  // MAX_WAKE_WAVES = max-wake-waves-opengl, default 25
//     uniform int doWakes;                 // 1 when at least one slot holds a ring
//     uniform float washLength;            // wake-wash-length (1000 m) in world units
//
// Slots are filled nearest first per source; rings whose bounding sphere is outside the view
// are left out. The grid writes the MAX_WAKE_WAVES definition into the shader preamble.
class WakeManagerOpenGL : public WakeManager
{
public:
    WakeManagerOpenGL(double metersPerUnit, ParticleSystemManager* particleSystemManager);
    ~WakeManagerOpenGL() override;

    // Besides the base: builds the particle program and the spray texture, creates
    // wake-max-sprays particle systems (given to the particle-system manager) and looks up the
    // wake uniforms of the grid's programs.
    bool Initialize(const SeaFrame* frame, const Matrix3& basis, Environment* environment,
                    std::uint32_t gridProgram, std::uint32_t patchProgram) override;
    bool PrepareShader(Environment* environment) override;
    bool PreparePatchShader(Environment* environment) override;

    std::uint32_t GetMaxShaderWaves() const { return maxShaderWaves; }
    std::uint32_t GetParticleProgram() const { return shaders.program; }
    std::uint32_t GetSprayTexture() const { return sprayTexture; }
    // The number of slots the last shader set-up filled.
    std::uint32_t GetWavesSet() const { return wavesSet; }

private:
    enum Field
    {
        Amplitude,
        Radius,
        K,
        HalfWavelength,
        Position,
        WashWidth,
        DeltaPos,
        Number,
        HasPropWash,
        PropPosition,
        FieldCount
    };
    struct Locations
    {
        Vector<int> slots; // FieldCount per slot
        int doWakes = -1;
        int washLength = -1;
    };

    void LookUp(std::uint32_t program, Locations& locations);
    bool SetUniforms(Environment* environment, const Locations& locations);
    Vector3 ToLocal(const Vector3& v) const;

    std::uint32_t maxShaderWaves;
    Locations gridLocations;
    Locations patchLocations;
    ParticleShaderProgram shaders;
    std::uint32_t sprayTexture;
    std::uint32_t wavesSet;
};

} // namespace Maris
