#pragma once

#include "platform/x11/XdndDropTarget.h"

#include <osgViewer/api/X11/GraphicsWindowX11>

#include <memory>

namespace osgKELVO {

// The library's X11 graphics window, with files dropped on it delivered to the event handlers as
// drop events (DroppedFilesEvent). The drop target follows the window: if the library creates a
// new X window for it (a change of decoration or screen), the new one is advertised at the next
// event check.
class DropAwareGraphicsWindowX11 : public osgViewer::GraphicsWindowX11
{
public:
    explicit DropAwareGraphicsWindowX11(osg::GraphicsContext::Traits* traits);

    bool realizeImplementation() override;
    bool checkEvents() override;
    void closeImplementation() override;

protected:
    ~DropAwareGraphicsWindowX11() override;

private:
    std::unique_ptr<XdndDropTarget> dropTarget;
};

} // namespace osgKELVO
