#include "PlaceNames.h"

#include "DemoWorld.h"

#include <algorithm>
#include <cstdio>

std::string PlaceNames::line(const char* latin1Name, int size, double x, double y) const
{
    char buffer[256];
    std::snprintf(buffer, sizeof(buffer), "%s,%d,%.1f,%.1f,%.1f\n", latin1Name, size, x, y,
                  std::max(0.0, field.height(x, y)));
    return buffer;
}

// "\xE5" is a-ring, "\xE4" a-diaeresis, "\xF6" o-diaeresis in Latin-1.
std::string PlaceNames::places() const
{
    return line("Kelv\xF6", 10, DemoWorld::Kelvo.x(), DemoWorld::Kelvo.y()) +
           line("Norrby", 10, DemoWorld::Norrby.x(), DemoWorld::Norrby.y()) +
           line("\xD6sterg\xE5rden", 6, DemoWorld::Ostergarden.x(), DemoWorld::Ostergarden.y()) +
           line("H\xF6gberget", 8, 1750.0, 2500.0) +
           line("Kvarnb\xE4\x63ken", 5, -300.0, 1300.0) +
           line("B\xE5tsviken", 6, -750.0, -650.0) +
           line("Ekudden", 5, 1100.0, -600.0) +
           line("Stor\xF6n", 7, 650.0, -2850.0) +
           line("Lill\xF6n", 5, -1250.0, -2550.0) +
           line("S\xE4lgrund", 5, -2600.0, -2050.0);
}

std::string PlaceNames::facilities() const
{
    return line("Kelv\xF6 kyrka", 5, DemoWorld::Church.x(), DemoWorld::Church.y()) +
           line("St\xE4llverk Kelv\xF6 130 kV", 5, DemoWorld::Substation.x(), DemoWorld::Substation.y()) +
           line("Kelv\xF6 hamn", 5, DemoWorld::Harbour.x(), DemoWorld::Harbour.y()) +
           line("Fyren", 4, DemoWorld::Lighthouse.x(), DemoWorld::Lighthouse.y());
}
