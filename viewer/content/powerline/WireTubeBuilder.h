#pragma once

#include <osg/Array>
#include <osg/Geometry>
#include <osg/ref_ptr>

namespace osgKELVO {

// Turns a wire's polyline into the cheapest closed tube: a triangular cross-section (one corner
// below the axis, two above) with three vertices per point and one triangle strip per side.
class WireTubeBuilder
{
public:
    static constexpr float Radius = 0.0175f;

    static osg::ref_ptr<osg::Geometry> build(const osg::Vec3Array& points);

    // The unit direction the cross-section of point i is built for: towards the next point, or
    // from the previous one where the next coincides or at the end. Where neither gives a
    // direction (a single point, or coinciding first points), the previous point's direction or
    // else the first segment ahead is used, and the x axis when the wire has no extent at all.
    static osg::Vec3 direction(const osg::Vec3Array& points, unsigned i, const osg::Vec3& previous);
};

} // namespace osgKELVO
