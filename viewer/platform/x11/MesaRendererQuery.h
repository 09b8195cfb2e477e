#pragma once

#include <string>

namespace osgKELVO {

// The renderer a Mesa driver gives a screen's windows, asked of the driver without making a context
// (GLX_MESA_query_renderer): a few milliseconds instead of an off-screen context's hundred or more.
class MesaRendererQuery
{
public:
    // The renderer text (as GL_RENDERER gives it) for screen screenNum of the X display
    // displayName; empty when the display cannot be opened or its driver is not Mesa's.
    static std::string name(const std::string& displayName, int screenNum);
};

} // namespace osgKELVO
