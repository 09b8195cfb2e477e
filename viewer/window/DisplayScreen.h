#pragma once

#include <osg/GraphicsContext>

namespace osgKELVO {

// A screen of the display named by DISPLAY, as the windowing-system interface identifies it.
class DisplayScreen
{
public:
    static osg::GraphicsContext::ScreenIdentifier identify(unsigned screenNum);

    // False when there is no windowing-system interface.
    static bool size(unsigned screenNum, unsigned& width, unsigned& height);
};

} // namespace osgKELVO
