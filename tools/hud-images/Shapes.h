#pragma once

#include "Canvas.h"

#include <vector>

struct Point
{
    float x, y;
};

// Signed distance functions of the figures the images are drawn from (pixel units, y down).
namespace Shapes {

Shape circle(float cx, float cy, float radius);
Shape roundedRect(float x0, float y0, float x1, float y1, float radius);
// A band of the given width centred on another shape's outline.
Shape outline(const Shape& shape, float width);
// A straight stroke with round ends.
Shape segment(Point a, Point b, float width);
// A stroke along a polyline.
Shape polyline(const std::vector<Point>& points, float width);
// A filled simple polygon.
Shape polygon(const std::vector<Point>& points);
Shape unite(const Shape& a, const Shape& b);
Shape intersect(const Shape& a, const Shape& b);
Shape subtract(const Shape& a, const Shape& b);

} // namespace Shapes
