#pragma once

#include "Direction.h"

// The six faces in the order the viewer loads them, with their file names.
enum class CubeMapFace
{
    PositiveX,
    NegativeX,
    PositiveY,
    NegativeY,
    PositiveZ,
    NegativeZ
};

const char* faceFileName(CubeMapFace face);

// The cube-map direction through texture coordinates (s, t) of a face, both in [0, 1], following
// OpenGL's face layout (t = 0 is the first row of the uploaded image).
Direction cubeMapDirection(CubeMapFace face, double s, double t);

// The sky shows cube-map direction c for the world direction (-c.x, -c.z, c.y): the reflection
// texture coordinates of a sphere around the eye are the negated view direction, which the sky's
// texture matrix turns a quarter about x. The world is z-up.
Direction worldDirectionOfCubeMapDirection(const Direction& c);
