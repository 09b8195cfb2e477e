// Pylon coordinate lists: parsed into records and turned into the placement matrices the power
// line is built from, for main and following records alike.

#include "content/powerline/PylonListParser.h"
#include "content/powerline/PylonMatrices.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::istringstream in(text);
    const std::vector<osgKELVO::PylonRecord> records = osgKELVO::PylonListParser::parse(in);

    // At most one record per complete line, none for an unfinished last line.
    if (records.size() > static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'))) {
        std::fprintf(stderr, "pylon list: %zu records from fewer complete lines\n", records.size());
        std::abort();
    }

    const osg::Vec3d offset(650000.0, 6400000.0, 0.25);
    for (const osgKELVO::PylonRecord& record : records) {
        osgKELVO::PylonMatrices::pylon(record, offset);
        osgKELVO::PylonMatrices::block(record, true);
        osgKELVO::PylonMatrices::block(record, false);
    }
    return 0;
}
