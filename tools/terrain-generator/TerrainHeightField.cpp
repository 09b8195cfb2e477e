#include "TerrainHeightField.h"

double TerrainHeightField::height(double u, double v) const
{
    double sum = 0.0;
    double amplitude = 1.0;
    double frequency = 3.0;
    for (int octave = 0; octave < 7; ++octave) {
        sum += amplitude * noise.value(u * frequency, v * frequency, octave);
        amplitude *= 0.5;
        frequency *= 2.0;
    }
    // Ridged lift towards one side so that the tile reads as a landscape, not noise.
    return 120.0 * sum + 80.0 * v;
}
