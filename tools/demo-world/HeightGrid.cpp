#include "HeightGrid.h"

#include <algorithm>
#include <cmath>

HeightGrid::HeightGrid(const CoastHeightField& field, int cells, double halfSize)
    : cells_(cells), halfSize_(halfSize), spacing_(2.0 * halfSize / cells),
      heights_(static_cast<std::size_t>(cells + 1) * (cells + 1))
{
    for (int j = 0; j <= cells; ++j)
        for (int i = 0; i <= cells; ++i)
            heights_[static_cast<std::size_t>(j) * (cells + 1) + i] = field.height(x(i), y(j));
}

double HeightGrid::sample(double px, double py) const
{
    const double u = std::clamp((px + halfSize_) / spacing_, 0.0, static_cast<double>(cells_));
    const double v = std::clamp((py + halfSize_) / spacing_, 0.0, static_cast<double>(cells_));
    const int i = std::min(static_cast<int>(u), cells_ - 1), j = std::min(static_cast<int>(v), cells_ - 1);
    const double fu = u - i, fv = v - j;
    const double bottom = at(i, j) + (at(i + 1, j) - at(i, j)) * fu;
    const double top = at(i, j + 1) + (at(i + 1, j + 1) - at(i, j + 1)) * fu;
    return bottom + (top - bottom) * fv;
}

double HeightGrid::slope(int i, int j) const
{
    const int l = std::max(i - 1, 0), r = std::min(i + 1, cells_);
    const int d = std::max(j - 1, 0), u = std::min(j + 1, cells_);
    const double dx = (at(r, j) - at(l, j)) / ((r - l) * spacing_);
    const double dy = (at(i, u) - at(i, d)) / ((u - d) * spacing_);
    return std::sqrt(dx * dx + dy * dy);
}
