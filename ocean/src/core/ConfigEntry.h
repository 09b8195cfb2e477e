#pragma once

#include <Maris/Containers.h>
#include <Maris/MemObject.h>

namespace Maris {

// One value of the configuration, converted once into every type a getter may ask for.
struct ConfigEntry : public MemObject
{
    explicit ConfigEntry(const char* value);

    String text;
    int integerValue;
    float floatValue;
    double doubleValue;
    bool booleanValue;
};

} // namespace Maris
