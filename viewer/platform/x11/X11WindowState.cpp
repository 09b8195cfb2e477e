#include "platform/x11/X11WindowState.h"

#include <osgViewer/api/X11/GraphicsWindowX11>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <vector>

namespace osgKELVO {

namespace {

osgViewer::GraphicsWindowX11* asX11(osgViewer::GraphicsWindow* window)
{
    osgViewer::GraphicsWindowX11* x11 = dynamic_cast<osgViewer::GraphicsWindowX11*>(window);
    if (!x11 || !x11->valid() || !x11->getDisplayToUse() || x11->getWindow() == 0)
        return nullptr;
    return x11;
}

bool isMapped(Display* display, Window window)
{
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state != IsUnmapped;
}

std::vector<Atom> windowStates(Display* display, Window window)
{
    std::vector<Atom> states;
    const Atom property = XInternAtom(display, "_NET_WM_STATE", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, property, 0, 64, False, XA_ATOM, &type, &format, &count,
                           &remaining, &data) == Success && data) {
        if (type == XA_ATOM && format == 32) {
            // Format 32 properties come back as an array of long, whatever the width of long.
            const long* atoms = reinterpret_cast<const long*>(data);
            for (unsigned long i = 0; i < count; ++i)
                states.push_back(static_cast<Atom>(atoms[i]));
        }
        XFree(data);
    }
    return states;
}

bool contains(const std::vector<Atom>& atoms, Atom atom)
{
    for (Atom a : atoms)
        if (a == atom)
            return true;
    return false;
}

} // namespace

bool X11WindowState::isX11Window(osgViewer::GraphicsWindow* window)
{
    return asX11(window) != nullptr;
}

bool X11WindowState::isViewable(osgViewer::GraphicsWindow* window)
{
    osgViewer::GraphicsWindowX11* x11 = asX11(window);
    XWindowAttributes attributes;
    return x11 && XGetWindowAttributes(x11->getDisplayToUse(), x11->getWindow(), &attributes) &&
           attributes.map_state == IsViewable;
}

bool X11WindowState::requestMaximized(osgViewer::GraphicsWindow* window)
{
    osgViewer::GraphicsWindowX11* x11 = asX11(window);
    if (!x11)
        return false;
    Display* display = x11->getDisplayToUse();
    const Window handle = x11->getWindow();
    const Atom state = XInternAtom(display, "_NET_WM_STATE", False);
    const Atom vertical = XInternAtom(display, "_NET_WM_STATE_MAXIMIZED_VERT", False);
    const Atom horizontal = XInternAtom(display, "_NET_WM_STATE_MAXIMIZED_HORZ", False);

    if (!isMapped(display, handle)) {
        std::vector<Atom> states = windowStates(display, handle);
        for (Atom atom : {vertical, horizontal})
            if (!contains(states, atom))
                states.push_back(atom);
        std::vector<long> values(states.begin(), states.end());
        XChangeProperty(display, handle, state, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(values.data()), static_cast<int>(values.size()));
        XFlush(display);
        return true;
    }

    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.serial = 0;
    event.xclient.send_event = True;
    event.xclient.display = display;
    event.xclient.window = handle;
    event.xclient.message_type = state;
    event.xclient.format = 32;
    event.xclient.data.l[0] = 1; // _NET_WM_STATE_ADD
    event.xclient.data.l[1] = static_cast<long>(vertical);
    event.xclient.data.l[2] = static_cast<long>(horizontal);
    event.xclient.data.l[3] = 1; // request from a normal application
    event.xclient.data.l[4] = 0;
    XWindowAttributes attributes;
    XGetWindowAttributes(display, handle, &attributes);
    XSendEvent(display, attributes.root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display);
    return true;
}

bool X11WindowState::isMaximized(osgViewer::GraphicsWindow* window)
{
    osgViewer::GraphicsWindowX11* x11 = asX11(window);
    if (!x11)
        return false;
    Display* display = x11->getDisplayToUse();
    const std::vector<Atom> states = windowStates(display, x11->getWindow());
    return contains(states, XInternAtom(display, "_NET_WM_STATE_MAXIMIZED_VERT", False)) &&
           contains(states, XInternAtom(display, "_NET_WM_STATE_MAXIMIZED_HORZ", False));
}

} // namespace osgKELVO
