#pragma once

#include <string>

namespace kelvotest {

// Configuration files laid out as the viewer writes them, large enough that writing one takes many
// pages. Each variant differs from the others in every model line, so a mixture of two variants,
// or a cut-off one, equals none of them.
inline std::string sampleConfiguration(unsigned variant, unsigned models = 400)
{
    const std::string v = std::to_string(variant);
    std::string xml = "<Overlay useGeoCoords=\"1\" offsetX=\"" + std::to_string(650000 + variant) +
                      "\"/>\n\n<Scene loadInfoPoints=\"0\" generatePowerline=\"0\">\n";
    for (unsigned i = 0; i < models; ++i) {
        const std::string name = "Variant " + v + " model " + std::to_string(i);
        xml += "    <Model name=\"" + name + "\" filename=\"../Content/Models/" + name +
               ".ive\" layerNum=\"" + std::to_string((i + variant) % 10) + "\" visible=\"" +
               ((i + variant) % 2 ? "1" : "0") + "\"/>\n";
    }
    return xml + "</Scene>\n\n<Window title=\"KELVOview " + v +
           "\" width=\"800\" height=\"600\"/>\n";
}

} // namespace kelvotest
