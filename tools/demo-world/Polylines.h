#pragma once

#include <osg/Vec2d>

#include <vector>

// Distance from a point to the nearest of a set of polylines, with a bounding-box test per segment
// so that the textures can ask it for every texel.
class Polylines
{
public:
    void add(const std::vector<osg::Vec2d>& line);
    // The distance, or `limit` when every segment is farther than that.
    double distance(const osg::Vec2d& p, double limit) const;

private:
    struct Segment
    {
        osg::Vec2d a, b;
    };
    std::vector<Segment> segments;
};
