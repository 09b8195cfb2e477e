#pragma once

#include <string>

namespace kelvotest {

// Configuration files laid out as the viewer writes them, large enough that writing one takes many
// pages. Each variant differs from the others in every model line, so a mixture of two variants,
// or a cut-off one, equals none of them.
std::string sampleConfiguration(unsigned variant, unsigned models = 400);

} // namespace kelvotest
