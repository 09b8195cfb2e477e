#include "CubeMapFace.h"

const char* faceFileName(CubeMapFace face)
{
    switch (face) {
    case CubeMapFace::PositiveX: return "posX.tga";
    case CubeMapFace::NegativeX: return "negX.tga";
    case CubeMapFace::PositiveY: return "posY.tga";
    case CubeMapFace::NegativeY: return "negY.tga";
    case CubeMapFace::PositiveZ: return "posZ.tga";
    case CubeMapFace::NegativeZ: return "negZ.tga";
    }
    return "";
}

Direction cubeMapDirection(CubeMapFace face, double s, double t)
{
    // OpenGL picks the face by the major axis and takes sc / |ma| and tc / |ma| into [-1, 1].
    const double sc = 2.0 * s - 1.0;
    const double tc = 2.0 * t - 1.0;
    Direction d{0.0, 0.0, 0.0};
    switch (face) {
    case CubeMapFace::PositiveX: d = {1.0, -tc, -sc}; break;
    case CubeMapFace::NegativeX: d = {-1.0, -tc, sc}; break;
    case CubeMapFace::PositiveY: d = {sc, 1.0, tc}; break;
    case CubeMapFace::NegativeY: d = {sc, -1.0, -tc}; break;
    case CubeMapFace::PositiveZ: d = {sc, -tc, 1.0}; break;
    case CubeMapFace::NegativeZ: d = {-sc, -tc, -1.0}; break;
    }
    return d.normalized();
}

Direction worldDirectionOfCubeMapDirection(const Direction& c)
{
    return {-c.x, -c.z, c.y};
}
