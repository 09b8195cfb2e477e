#pragma once

namespace Maris {

// One vertex of the particle buffer, as the particle vertex shader reads it. Point sprites use
// one per particle (offsets and texture coordinates 0); quads six, sharing the first eight values.
struct ParticleVertex
{
    float initialPosition[3];
    float initialVelocity[3];
    float size;      // viewport width times the particle's size in world units
    float startTime; // relative to the reference time of all particle systems
    float offsetX;   // corner offset in world units across the view
    float offsetY;
    float texCoordX;
    float texCoordY;
};

static_assert(sizeof(ParticleVertex) == 48, "the particle shaders expect 48-byte vertices");

} // namespace Maris
