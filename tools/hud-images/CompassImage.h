#pragma once

#include "Canvas.h"

#include <string>

// A compass rose with north at the top, transparent outside the rose, so that it can turn about
// its centre without its corners showing.
class CompassImage
{
public:
    static const int size = 128;
    static Canvas draw(const std::string& boldFont);
};
