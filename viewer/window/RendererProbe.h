#pragma once

#include <string>

namespace osgKELVO {

// Which OpenGL renderer a screen's windows get, asked before the window is created, so that the
// window can be made to suit it.
class RendererProbe
{
public:
    // The renderer's GL_RENDERER text, from a Mesa driver without a context, else from a small
    // off-screen context on the screen; empty when no context could be made there.
    static std::string name(unsigned screenNum);

    // Whether that renderer draws on the processor (Mesa's llvmpipe, softpipe and swrast).
    static bool isSoftware(const std::string& renderer);
};

} // namespace osgKELVO
