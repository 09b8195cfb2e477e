#include "window/DisplayScreen.h"

namespace osgKELVO {

osg::GraphicsContext::ScreenIdentifier DisplayScreen::identify(unsigned screenNum)
{
    osg::GraphicsContext::ScreenIdentifier identifier;
    identifier.readDISPLAY();
    identifier.screenNum = static_cast<int>(screenNum);
    return identifier;
}

bool DisplayScreen::size(unsigned screenNum, unsigned& width, unsigned& height)
{
    osg::GraphicsContext::WindowingSystemInterface* wsi =
        osg::GraphicsContext::getWindowingSystemInterface();
    if (!wsi)
        return false;
    wsi->getScreenResolution(identify(screenNum), width, height);
    return true;
}

} // namespace osgKELVO
