#pragma once

namespace osgKELVO {

// The scene's element of the configuration file (see config/AttributeExchange.h); its models are
// child elements, one ModelRecord each.
struct SceneSettings
{
    static constexpr const char* element = "Scene";

    bool loadInfoPoints = false;
    bool generatePowerline = false;

    template <class Record, class Attributes>
    static void exchange(Record& record, Attributes& attributes)
    {
        attributes("loadInfoPoints", record.loadInfoPoints);
        attributes("generatePowerline", record.generatePowerline);
    }
};

} // namespace osgKELVO
