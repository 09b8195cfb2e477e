#pragma once

#include <osg/Vec3d>

namespace osgKELVO {

// The navigation's element of the configuration file (see config/AttributeExchange.h): the home
// view, read as the view to start from and written from the current one.
struct NavigationSettings
{
    static constexpr const char* element = "Navigation";

    osg::Vec3d eye{0.0, 0.0, 0.0};
    osg::Vec3d center{0.0, 0.0, 0.0};

    template <class Record, class Attributes>
    static void exchange(Record& record, Attributes& attributes)
    {
        attributes("homeEyeX", record.eye.x());
        attributes("homeEyeY", record.eye.y());
        attributes("homeEyeZ", record.eye.z());
        attributes("homeCenterX", record.center.x());
        attributes("homeCenterY", record.center.y());
        attributes("homeCenterZ", record.center.z());
    }
};

} // namespace osgKELVO
