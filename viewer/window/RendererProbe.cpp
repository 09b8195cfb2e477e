#include "window/RendererProbe.h"

#include "platform/x11/MesaRendererQuery.h"
#include "window/DisplayScreen.h"

#include <osg/GL>
#include <osg/GraphicsContext>

namespace osgKELVO {

std::string RendererProbe::name(unsigned screenNum)
{
    const osg::GraphicsContext::ScreenIdentifier screen = DisplayScreen::identify(screenNum);
    const std::string mesa = MesaRendererQuery::name(screen.displayName(), screen.screenNum);
    if (!mesa.empty())
        return mesa;
    osg::ref_ptr<osg::GraphicsContext::Traits> traits = new osg::GraphicsContext::Traits;
    traits->hostName = screen.hostName;
    traits->displayNum = screen.displayNum;
    traits->screenNum = screen.screenNum;
    traits->width = 1;
    traits->height = 1;
    traits->pbuffer = true;
    traits->doubleBuffer = false;
    osg::ref_ptr<osg::GraphicsContext> context = osg::GraphicsContext::createGraphicsContext(traits.get());
    if (!context || !context->realize())
        return std::string();
    std::string renderer;
    if (context->makeCurrent()) {
        if (const GLubyte* text = glGetString(GL_RENDERER))
            renderer = reinterpret_cast<const char*>(text);
        context->releaseContext();
    }
    context->close();
    return renderer;
}

bool RendererProbe::isSoftware(const std::string& renderer)
{
    for (const char* software : {"llvmpipe", "softpipe", "Software Rasterizer"})
        if (renderer.find(software) != std::string::npos)
            return true;
    return false;
}

} // namespace osgKELVO
