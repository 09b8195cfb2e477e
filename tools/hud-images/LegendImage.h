#pragma once

#include "Canvas.h"

#include <string>

// The legend of what the demo world shows: terrain, power line, pylons, information points and
// the sea, on a panel like the display's other panels.
class LegendImage
{
public:
    static Canvas draw(const std::string& boldFont, const std::string& regularFont);
};
