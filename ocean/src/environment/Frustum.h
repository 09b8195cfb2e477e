#pragma once

#include <Maris/MemObject.h>

namespace Maris {

// A plane a*x + b*y + c*z + d = 0 whose normal (a, b, c) points into the visible half-space.
struct Plane
{
    double a = 0.0;
    double b = 0.0;
    double c = 0.0;
    double d = 0.0;
};

// The view volume of the current camera and projection, in world coordinates.
struct Frustum : public MemObject
{
    enum PlaneIndex
    {
        NearPlane,
        LeftPlane,
        RightPlane,
        TopPlane,
        BottomPlane,
        FarPlane,
        PlaneCount
    };

    Plane planes[PlaneCount];
    int numPlanes = PlaneCount;
};

} // namespace Maris
