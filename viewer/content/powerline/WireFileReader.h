#pragma once

#include <osg/Array>
#include <osg/Vec3d>
#include <osg/ref_ptr>

#include <istream>
#include <string>

namespace osgKELVO {

// Reads a wire coordinate file: one point per complete line, northing, easting, height, turned
// into scene coordinates (easting - offset x, northing - offset y, height - offset z).
class WireFileReader
{
public:
    static osg::ref_ptr<osg::Vec3Array> read(std::istream& in, const osg::Vec3d& offset);
    // The same, warning under the source's name about short and unfinished lines.
    static osg::ref_ptr<osg::Vec3Array> read(std::istream& in, const osg::Vec3d& offset,
                                             const std::string& source);
};

} // namespace osgKELVO
