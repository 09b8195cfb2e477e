#include "platform/x11/X11WindowGeometry.h"

#include <osgViewer/api/X11/GraphicsWindowX11>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace osgKELVO {

namespace {

// _NET_FRAME_EXTENTS: left, right, top, bottom border widths the window manager added.
bool frameExtents(Display* display, Window window, long& left, long& top)
{
    const Atom extents = XInternAtom(display, "_NET_FRAME_EXTENTS", True);
    if (extents == None)
        return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(display, window, extents, 0, 4, False, XA_CARDINAL, &type,
                                          &format, &count, &remaining, &data);
    const bool found = status == Success && type == XA_CARDINAL && format == 32 && count == 4 && data;
    if (found) {
        const long* values = reinterpret_cast<const long*>(data);
        left = values[0];
        top = values[2];
    }
    if (data)
        XFree(data);
    return found;
}

} // namespace

void X11WindowGeometry::outerRectangle(osgViewer::GraphicsWindow* window, int& x, int& y, int& width,
                                       int& height)
{
    window->getWindowRectangle(x, y, width, height);
    osgViewer::GraphicsWindowX11* x11 = dynamic_cast<osgViewer::GraphicsWindowX11*>(window);
    if (!x11 || !x11->getDisplay() || !x11->getWindow())
        return;
    Display* display = x11->getDisplay();
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, x11->getWindow(), &attributes))
        return;
    int rootX = 0, rootY = 0;
    Window child = 0;
    if (!XTranslateCoordinates(display, x11->getWindow(), attributes.root, 0, 0, &rootX, &rootY, &child))
        return;
    long left = 0, top = 0;
    if (frameExtents(display, x11->getWindow(), left, top)) {
        rootX -= static_cast<int>(left);
        rootY -= static_cast<int>(top);
    }
    x = rootX;
    y = rootY;
    width = attributes.width;
    height = attributes.height;
}

} // namespace osgKELVO
