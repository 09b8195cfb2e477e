#include "core/ConfigEntry.h"

#include <cstdlib>
#include <cstring>

namespace Maris {

ConfigEntry::ConfigEntry(const char* value)
    : text(value),
      integerValue(std::atoi(value)),
      floatValue(static_cast<float>(std::atof(value))),
      doubleValue(std::atof(value)),
      // Only these two exact spellings mean true; "1", "on" and "True" do not.
      booleanValue(std::strcmp(value, "yes") == 0 || std::strcmp(value, "true") == 0)
{
}

} // namespace Maris
