#pragma once

#include "Direction.h"
#include "ValueNoise.h"

struct Color
{
    double r, g, b;
};

// A daytime sky over a z-up world: haze at the horizon, a gradient to a deep blue zenith, soft
// clouds on a flat layer overhead and the sun where the viewer's main light stands. Every color
// is a function of the world direction alone, so neighbouring cube faces agree along their edges.
class SkyModel
{
public:
    SkyModel();

    Color color(const Direction& worldDirection) const;

    const Direction& sunDirection() const { return sun; }

private:
    double cloudCover(const Direction& d) const;

    ValueNoise noise;
    Direction sun;
};
