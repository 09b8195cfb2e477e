#pragma once

#include "PylonRecord.h"

#include <istream>
#include <string>
#include <vector>

namespace osgKELVO {

// Reads the pylon coordinate list: 14 comma-separated fields per complete line, numbers read as
// leniently as atoi/atof do, reals rounded through 32-bit floats.
class PylonListParser
{
public:
    static std::vector<PylonRecord> parse(std::istream& in);
    static PylonRecord parseRecord(const std::string& line);
};

} // namespace osgKELVO
