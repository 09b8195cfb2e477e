#pragma once

#include <string>

namespace kelvotest {

// Configuration files as the viewer writes them (tinyxml2's indented printing, five elements),
// large enough that writing one takes many pages. Each variant differs from the others in every
// model line, so a mixture of two variants, or a cut-off one, equals none of them.
std::string sampleConfiguration(unsigned variant, unsigned models = 400);

} // namespace kelvotest
