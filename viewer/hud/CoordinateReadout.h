#pragma once

#include <osg/Geode>
#include <osg/Vec3f>
#include <osg/ref_ptr>

#include <string>

namespace osgKELVO {

// The three lines of the coordinate readout: x (or northing), y (or easting) and z of a point,
// shifted by the offset between scene and geographic coordinates.
class CoordinateReadout
{
public:
    // The text geode with "X: 0.0", "Y: 0.0", "Z: 0.0", or null (with a warning) without font.
    static osg::ref_ptr<osg::Geode> createTextGeode();

    // Label followed by the value in fixed notation with one decimal: ("N: ", 12.34) -> "N: 12.3".
    static std::string formatLine(const char* label, float value);

    // Writes the lines for a world point into the geode's three texts. The sums are formed in
    // single precision, as the readout of large national grid values shows.
    static void writeLines(osg::Geode* geode, const osg::Vec3f& point, bool useGeoCoords, const osg::Vec3f& offset);
};

} // namespace osgKELVO
