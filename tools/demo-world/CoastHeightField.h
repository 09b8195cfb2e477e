#pragma once

#include "Polylines.h"
#include "common/HashedValueNoise.h"

#include <cstdint>

// The demo landscape: a west-coast shore with bays and headlands, rocky skerries off it, land
// rising inland to wooded hills and a summit, and a stream valley running down to a bay. Heights in
// metres at scene (x, y); below zero is sea bed.
class CoastHeightField
{
public:
    explicit CoastHeightField(std::uint32_t seed = 7);

    double height(double x, double y) const;

    // Signed distance inland from the undisturbed shore line, metres (negative out at sea).
    double inland(double x, double y) const;

    // Fractal noise in [-1, 1] with the given lowest wavelength (metres) and octave count.
    double fractal(double x, double y, double wavelength, int octaves, int channel) const;

private:
    HashedValueNoise noise;
    Polylines stream;
};
