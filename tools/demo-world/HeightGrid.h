#pragma once

#include "CoastHeightField.h"

#include <vector>

// Heights of the field sampled on a square grid of (cells + 1)^2 points over the world, shared by
// the mesh and the textures so that each height is computed once.
class HeightGrid
{
public:
    HeightGrid(const CoastHeightField& field, int cells, double halfSize);

    int cells() const { return cells_; }
    double spacing() const { return spacing_; }
    double x(int i) const { return -halfSize_ + i * spacing_; }
    double y(int j) const { return -halfSize_ + j * spacing_; }
    double at(int i, int j) const { return heights_[static_cast<std::size_t>(j) * (cells_ + 1) + i]; }
    // Bilinear height at scene (x, y), clamped to the grid.
    double sample(double x, double y) const;
    // Steepness (rise over run) from the neighbouring samples.
    double slope(int i, int j) const;

private:
    int cells_;
    double halfSize_;
    double spacing_;
    std::vector<double> heights_;
};
