#pragma once

#include <cmath>

struct Direction
{
    double x, y, z;

    Direction normalized() const
    {
        const double length = std::sqrt(x * x + y * y + z * z);
        return {x / length, y / length, z / length};
    }
    double dot(const Direction& d) const { return x * d.x + y * d.y + z * d.z; }
};
