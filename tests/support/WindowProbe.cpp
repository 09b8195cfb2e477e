#include "WindowProbe.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace kelvotest {

std::vector<long> windowProperty(Display* display, unsigned long window, const char* name,
                                 unsigned long type)
{
    std::vector<long> values;
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 64, False, type,
                           &actualType, &format, &count, &remaining, &data) == Success &&
        data) {
        if (actualType == type && format == 32)
            values.assign(reinterpret_cast<const long*>(data),
                          reinterpret_cast<const long*>(data) + count);
        XFree(data);
    }
    return values;
}

namespace {

// _NET_FRAME_EXTENTS: left, right, top, bottom; empty when the property is missing.
std::vector<long> frameExtents(Display* display, Window window)
{
    std::vector<long> extents = windowProperty(display, window, "_NET_FRAME_EXTENTS", XA_CARDINAL);
    return extents.size() == 4 ? extents : std::vector<long>();
}

} // namespace

WindowProbe::WindowProbe(const std::string& display) : display_(XOpenDisplay(display.c_str())) {}

WindowProbe::~WindowProbe()
{
    if (display_)
        XCloseDisplay(display_);
}

WindowProbe::Rectangle WindowProbe::client(unsigned long window) const
{
    Rectangle r;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display_, window, &attributes))
        return r;
    Window child = 0;
    XTranslateCoordinates(display_, window, attributes.root, 0, 0, &r.x, &r.y, &child);
    r.width = attributes.width;
    r.height = attributes.height;
    return r;
}

WindowProbe::Rectangle WindowProbe::outer(unsigned long window) const
{
    Rectangle r = client(window);
    const std::vector<long> extents = frameExtents(display_, window);
    if (!extents.empty()) {
        r.x -= static_cast<int>(extents[0]);
        r.y -= static_cast<int>(extents[2]);
    }
    return r;
}

bool WindowProbe::decorated(unsigned long window) const
{
    for (long e : frameExtents(display_, window))
        if (e > 0)
            return true;
    return false;
}

bool WindowProbe::hasState(unsigned long window, const std::string& atom) const
{
    const Atom wanted = XInternAtom(display_, atom.c_str(), False);
    for (long state : windowProperty(display_, window, "_NET_WM_STATE", XA_ATOM))
        if (static_cast<Atom>(state) == wanted)
            return true;
    return false;
}

void WindowProbe::move(unsigned long window, int x, int y) const
{
    XMoveWindow(display_, window, x, y);
    XFlush(display_);
}

void WindowProbe::resize(unsigned long window, int width, int height) const
{
    XResizeWindow(display_, window, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XFlush(display_);
}

void WindowProbe::maximize(unsigned long window) const
{
    // _NET_WM_STATE add, both directions, as a user's action (source 2).
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display_, "_NET_WM_STATE", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = 1;
    event.xclient.data.l[1] =
        static_cast<long>(XInternAtom(display_, "_NET_WM_STATE_MAXIMIZED_VERT", False));
    event.xclient.data.l[2] =
        static_cast<long>(XInternAtom(display_, "_NET_WM_STATE_MAXIMIZED_HORZ", False));
    event.xclient.data.l[3] = 2;
    XSendEvent(display_, DefaultRootWindow(display_), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display_);
}

} // namespace kelvotest
