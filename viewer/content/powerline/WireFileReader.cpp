#include "content/powerline/WireFileReader.h"

#include "util/CompleteLineReader.h"

#include <cstdlib>

namespace osgKELVO {

namespace {

osg::ref_ptr<osg::Vec3Array> toPoints(const std::vector<std::string>& lines, const osg::Vec3d& offset)
{
    osg::ref_ptr<osg::Vec3Array> points = new osg::Vec3Array;
    for (const std::string& line : lines) {
        const std::vector<std::string> fields = CompleteLineReader::split(line);
        const double northing = std::atof(CompleteLineReader::field(fields, 0).c_str());
        const double easting = std::atof(CompleteLineReader::field(fields, 1).c_str());
        const double height = std::atof(CompleteLineReader::field(fields, 2).c_str());
        points->push_back(osg::Vec3(static_cast<float>(easting - offset.x()),
                                    static_cast<float>(northing - offset.y()),
                                    static_cast<float>(height - offset.z())));
    }
    return points;
}

} // namespace

osg::ref_ptr<osg::Vec3Array> WireFileReader::read(std::istream& in, const osg::Vec3d& offset)
{
    return toPoints(CompleteLineReader::read(in), offset);
}

osg::ref_ptr<osg::Vec3Array> WireFileReader::read(std::istream& in, const osg::Vec3d& offset,
                                                  const std::string& source)
{
    // Northing, easting, height.
    return toPoints(CompleteLineReader::read(in, source, 3), offset);
}

} // namespace osgKELVO
