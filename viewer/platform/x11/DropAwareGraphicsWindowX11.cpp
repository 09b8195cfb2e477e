#include "platform/x11/DropAwareGraphicsWindowX11.h"

#include "desktop/DroppedFilesEvent.h"

namespace osgKELVO {

DropAwareGraphicsWindowX11::DropAwareGraphicsWindowX11(osg::GraphicsContext::Traits* traits)
    : osgViewer::GraphicsWindowX11(traits)
{
}

DropAwareGraphicsWindowX11::~DropAwareGraphicsWindowX11() = default;

bool DropAwareGraphicsWindowX11::realizeImplementation()
{
    if (!osgViewer::GraphicsWindowX11::realizeImplementation())
        return false;
    if (!dropTarget) {
        dropTarget.reset(new XdndDropTarget(_traits->displayName()));
        if (!dropTarget->valid())
            dropTarget.reset();
    }
    if (dropTarget)
        dropTarget->attach(_window);
    return true;
}

bool DropAwareGraphicsWindowX11::checkEvents()
{
    if (dropTarget && isRealized()) {
        if (dropTarget->attachedWindow() != _window)
            dropTarget->attach(_window);
        dropTarget->processEvents([this](const std::vector<std::string>& paths) {
            DroppedFilesEvent::post(*getEventQueue(), paths);
        });
    }
    return osgViewer::GraphicsWindowX11::checkEvents();
}

void DropAwareGraphicsWindowX11::closeImplementation()
{
    dropTarget.reset();
    osgViewer::GraphicsWindowX11::closeImplementation();
}

} // namespace osgKELVO
