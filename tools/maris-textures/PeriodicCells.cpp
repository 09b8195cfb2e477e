#include "PeriodicCells.h"

#include <algorithm>
#include <cmath>
#include <random>

PeriodicCells::PeriodicCells(unsigned seed, int cells)
    : cellCount(std::max(1, cells)), pointX(static_cast<std::size_t>(cellCount) * cellCount),
      pointY(pointX.size())
{
    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (std::size_t i = 0; i < pointX.size(); ++i) {
        pointX[i] = unit(generator);
        pointY[i] = unit(generator);
    }
}

void PeriodicCells::distances(double u, double v, double& nearest, double& second) const
{
    const double x = u * cellCount;
    const double y = v * cellCount;
    const int cx = static_cast<int>(std::floor(x));
    const int cy = static_cast<int>(std::floor(y));
    nearest = second = 1e9;
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            const int nx = cx + dx;
            const int ny = cy + dy;
            const int wx = ((nx % cellCount) + cellCount) % cellCount;
            const int wy = ((ny % cellCount) + cellCount) % cellCount;
            const std::size_t index = static_cast<std::size_t>(wy) * cellCount + wx;
            const double px = nx + pointX[index];
            const double py = ny + pointY[index];
            const double d = std::hypot(px - x, py - y);
            if (d < nearest) {
                second = nearest;
                nearest = d;
            } else if (d < second) {
                second = d;
            }
        }
    }
}
