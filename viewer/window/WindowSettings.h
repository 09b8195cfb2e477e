#pragma once

#include <string>

namespace osgKELVO {

// The eleven window settings of the configuration file, as created and as reported back (see
// config/AttributeExchange.h). The title of a window not configured otherwise is the application's
// to give.
struct WindowSettings
{
    static constexpr const char* element = "Window";

    std::string title;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool maximized = false;
    bool fullscreen = false;
    unsigned screenNum = 0;
    unsigned numSamples = 0;
    bool stereo = false;
    // Whether a software renderer gets a lighter quality than the one configured.
    bool adaptToSoftwareRenderer = true;

    template <class Record, class Attributes>
    static void exchange(Record& record, Attributes& attributes)
    {
        attributes("title", record.title);
        attributes("x", record.x);
        attributes("y", record.y);
        attributes("width", record.width);
        attributes("height", record.height);
        attributes("maximized", record.maximized);
        attributes("fullscreen", record.fullscreen);
        attributes("screenNum", record.screenNum);
        attributes("numSamples", record.numSamples);
        attributes("stereo", record.stereo);
        attributes("adaptToSoftwareRenderer", record.adaptToSoftwareRenderer);
    }
};

} // namespace osgKELVO
