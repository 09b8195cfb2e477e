#pragma once

#include "CoastHeightField.h"

#include <string>

// The information-point label files of the demo world: names of places and of facilities, as the
// viewer reads them (text, size, x, y, z in scene coordinates, one label per line), in Latin-1 as
// the label text is shown byte for byte.
class PlaceNames
{
public:
    explicit PlaceNames(const CoastHeightField& field) : field(field) {}

    std::string places() const;
    std::string facilities() const;

private:
    std::string line(const char* latin1Name, int size, double x, double y) const;

    const CoastHeightField& field;
};
