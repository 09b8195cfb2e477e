#include "Polylines.h"

#include <algorithm>
#include <cmath>

void Polylines::add(const std::vector<osg::Vec2d>& line)
{
    for (std::size_t i = 0; i + 1 < line.size(); ++i)
        segments.push_back(Segment{line[i], line[i + 1]});
}

double Polylines::distance(const osg::Vec2d& p, double limit) const
{
    double best = limit;
    for (const Segment& s : segments) {
        if (p.x() < std::min(s.a.x(), s.b.x()) - best || p.x() > std::max(s.a.x(), s.b.x()) + best ||
            p.y() < std::min(s.a.y(), s.b.y()) - best || p.y() > std::max(s.a.y(), s.b.y()) + best)
            continue;
        const osg::Vec2d v = s.b - s.a;
        const double t = std::clamp(((p - s.a) * v) / (v * v), 0.0, 1.0);
        best = std::min(best, (p - (s.a + v * t)).length());
    }
    return best;
}
