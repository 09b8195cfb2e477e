#include "Shapes.h"

#include <algorithm>
#include <cmath>

namespace Shapes {

namespace {

float segmentDistance(float px, float py, Point a, Point b)
{
    const float bax = b.x - a.x, bay = b.y - a.y;
    const float pax = px - a.x, pay = py - a.y;
    const float lengthSquared = bax * bax + bay * bay;
    const float t = lengthSquared > 0.0f ? std::clamp((pax * bax + pay * bay) / lengthSquared, 0.0f, 1.0f) : 0.0f;
    return std::hypot(pax - bax * t, pay - bay * t);
}

} // namespace

Shape circle(float cx, float cy, float radius)
{
    return [=](float x, float y) { return std::hypot(x - cx, y - cy) - radius; };
}

Shape roundedRect(float x0, float y0, float x1, float y1, float radius)
{
    const float cx = 0.5f * (x0 + x1), cy = 0.5f * (y0 + y1);
    const float hx = 0.5f * (x1 - x0) - radius, hy = 0.5f * (y1 - y0) - radius;
    return [=](float x, float y) {
        const float qx = std::fabs(x - cx) - hx, qy = std::fabs(y - cy) - hy;
        const float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
        const float inside = std::min(std::max(qx, qy), 0.0f);
        return outside + inside - radius;
    };
}

Shape outline(const Shape& shape, float width)
{
    return [=](float x, float y) { return std::fabs(shape(x, y)) - 0.5f * width; };
}

Shape segment(Point a, Point b, float width)
{
    return [=](float x, float y) { return segmentDistance(x, y, a, b) - 0.5f * width; };
}

Shape polyline(const std::vector<Point>& points, float width)
{
    return [=](float x, float y) {
        float d = 1e9f;
        for (std::size_t i = 1; i < points.size(); ++i)
            d = std::min(d, segmentDistance(x, y, points[i - 1], points[i]));
        return d - 0.5f * width;
    };
}

Shape polygon(const std::vector<Point>& points)
{
    return [=](float x, float y) {
        float d = 1e9f;
        bool inside = false;
        for (std::size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
            const Point& a = points[i];
            const Point& b = points[j];
            d = std::min(d, segmentDistance(x, y, a, b));
            if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x)
                inside = !inside;
        }
        return inside ? -d : d;
    };
}

Shape unite(const Shape& a, const Shape& b)
{
    return [=](float x, float y) { return std::min(a(x, y), b(x, y)); };
}

Shape intersect(const Shape& a, const Shape& b)
{
    return [=](float x, float y) { return std::max(a(x, y), b(x, y)); };
}

Shape subtract(const Shape& a, const Shape& b)
{
    return [=](float x, float y) { return std::max(a(x, y), -b(x, y)); };
}

} // namespace Shapes
