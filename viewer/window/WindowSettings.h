#pragma once

#include <string>

namespace osgKELVO {

// The ten window settings of the configuration file, as created and as reported back.
struct WindowSettings
{
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
};

} // namespace osgKELVO
