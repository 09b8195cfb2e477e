#pragma once

#include <vector>

// Cellular (Worley) noise on the unit square that wraps at its edges: one random feature point per
// cell of a cells x cells grid. Foam gathers along the borders between neighbouring cells.
class PeriodicCells
{
public:
    PeriodicCells(unsigned seed, int cells);

    // Distances, in cell units, to the nearest and the second-nearest feature point.
    void distances(double u, double v, double& nearest, double& second) const;

private:
    int cellCount;
    std::vector<double> pointX;
    std::vector<double> pointY;
};
