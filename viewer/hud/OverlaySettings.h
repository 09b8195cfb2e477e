#pragma once

#include <osg/Vec3f>

namespace osgKELVO {

// The overlay's element of the configuration file (see config/AttributeExchange.h).
struct OverlaySettings
{
    static constexpr const char* element = "Overlay";

    bool useGeoCoords = false;
    // Added to scene coordinates to give geographic ones.
    osg::Vec3f offset{0.0f, 0.0f, 0.0f};

    template <class Record, class Attributes>
    static void exchange(Record& record, Attributes& attributes)
    {
        attributes("useGeoCoords", record.useGeoCoords);
        attributes("offsetX", record.offset.x());
        attributes("offsetY", record.offset.y());
        attributes("offsetZ", record.offset.z());
    }
};

} // namespace osgKELVO
