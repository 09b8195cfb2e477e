#pragma once

#include <osg/Vec4f>

namespace osgKELVO {

// The environment's element of the configuration file (see config/AttributeExchange.h).
struct EnvironmentSettings
{
    static constexpr const char* element = "Environment";

    // Always opaque: the alpha is not in the file.
    osg::Vec4f backgroundColor{0.0f, 0.0f, 0.0f, 1.0f};
    bool enableWater = false;
    double seaState = 0.0;
    double windDirection = 0.0;

    template <class Record, class Attributes>
    static void exchange(Record& record, Attributes& attributes)
    {
        attributes("backgroundColorRed", record.backgroundColor.r());
        attributes("backgroundColorGreen", record.backgroundColor.g());
        attributes("backgroundColorBlue", record.backgroundColor.b());
        attributes("enableWater", record.enableWater);
        attributes("seaState", record.seaState);
        attributes("windDirection", record.windDirection);
    }
};

} // namespace osgKELVO
