#pragma once

#include <osg/Array>
#include <osg/Vec3d>
#include <osg/ref_ptr>

#include <istream>

namespace osgKELVO {

// Reads a wire coordinate file: one point per complete line, northing, easting, height, turned
// into scene coordinates (easting - offset x, northing - offset y, height - offset z).
class WireFileReader
{
public:
    static osg::ref_ptr<osg::Vec3Array> read(std::istream& in, const osg::Vec3d& offset);
};

} // namespace osgKELVO
