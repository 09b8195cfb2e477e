#pragma once

#include "content/powerline/PylonRecord.h"

#include <istream>
#include <string>
#include <vector>

namespace osgKELVO {

// Reads the pylon coordinate list: 14 comma-separated fields per complete line, numbers read as
// leniently as atoi/atof do, reals rounded through 32-bit floats.
class PylonListParser
{
public:
    static constexpr std::size_t FieldCount = 14;

    static std::vector<PylonRecord> parse(std::istream& in);
    // The same, warning under the source's name about short and unfinished lines.
    static std::vector<PylonRecord> parse(std::istream& in, const std::string& source);
    static PylonRecord parseRecord(const std::string& line);
};

} // namespace osgKELVO
