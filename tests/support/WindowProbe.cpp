#include "XdndTestSource.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace kelvotest {

// The 32-bit items of a window property of a type; empty when it is missing or of another type.
static std::vector<long> windowProperty(Display* display, unsigned long window, const char* name,
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
    if (!display_ || !window || !XGetWindowAttributes(display_, window, &attributes))
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
    // _NET_FRAME_EXTENTS: left, right, top, bottom.
    const std::vector<long> extents =
        windowProperty(display_, window, "_NET_FRAME_EXTENTS", XA_CARDINAL);
    if (extents.size() == 4) {
        r.x -= static_cast<int>(extents[0]);
        r.y -= static_cast<int>(extents[2]);
    }
    return r;
}

bool WindowProbe::decorated(unsigned long window) const
{
    return !(outer(window) == client(window));
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

void WindowProbe::message(unsigned long to, unsigned long window, const char* type,
                          std::vector<long> data) const
{
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display_, type, False);
    event.xclient.format = 32;
    data.resize(5);
    std::copy(data.begin(), data.end(), event.xclient.data.l);
    XSendEvent(display_, to, False, NoEventMask, &event);
    XFlush(display_);
}

XdndTestSource::XdndTestSource(const std::string& display) : WindowProbe(display)
{
    if (!display_)
        return;
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    XSetWindowAttributes attributes = {};
    attributes.override_redirect = True;
    attributes.event_mask = PropertyChangeMask;
    window_ =
        XCreateWindow(display_, DefaultRootWindow(display_), -20, -20, 1, 1, 0, CopyFromParent,
                      InputOnly, CopyFromParent, CWOverrideRedirect | CWEventMask, &attributes);
}

XdndTestSource::~XdndTestSource()
{
    if (display_)
        XDestroyWindow(display_, window_);
}

bool XdndTestSource::windowCentre(const std::string& window, int& rootX, int& rootY) const
{
    const Rectangle r = client(std::strtoul(window.c_str(), nullptr, 0));
    rootX = r.x + r.width / 2;
    rootY = r.y + r.height / 2;
    return r.width > 0;
}

std::string XdndTestSource::fileUri(const std::string& path)
{
    std::string uri = "file://";
    for (unsigned char c : path) {
        char escaped[4];
        std::snprintf(escaped, sizeof(escaped), "%%%02X", c);
        const bool plain =
            std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~';
        uri += plain ? std::string(1, static_cast<char>(c)) : std::string(escaped);
    }
    return uri;
}

XdndTestSource::Outcome XdndTestSource::perform(const Drag& drag,
                                                std::chrono::milliseconds timeout)
{
    Outcome outcome;
    Display* display = display_;
    if (!display)
        return outcome;
    auto atom = [&](const std::string& name) { return XInternAtom(display, name.c_str(), False); };
    auto name = [&](long value) {
        char* text = value ? XGetAtomName(display, static_cast<Atom>(value)) : nullptr;
        const std::string result = text ? text : "";
        XFree(text);
        return result;
    };
    // The first window with XdndAware on the way down the tree under the point.
    const Window root = DefaultRootWindow(display);
    Window target = 0;
    for (Window current = root, child = 0; !target; current = child) {
        int x = 0, y = 0;
        if (!XTranslateCoordinates(display, root, current, drag.rootX, drag.rootY, &x, &y,
                                   &child) ||
            !child)
            return outcome;
        const std::vector<long> aware = windowProperty(display, child, "XdndAware", XA_ATOM);
        if (aware.size() == 1) {
            outcome.targetVersion = static_cast<int>(aware[0]);
            target = child;
        }
    }
    outcome.target = target;
    // A proxy counts only when it names itself as its proxy.
    const std::vector<long> proxy = windowProperty(display, target, "XdndProxy", XA_WINDOW);
    const bool proxied =
        proxy.size() == 1 && windowProperty(display, proxy[0], "XdndProxy", XA_WINDOW) == proxy;
    const Window to = proxied ? static_cast<Window>(proxy[0]) : target;
    auto send = [&](const char* type, std::vector<long> data) {
        data.insert(data.begin(), static_cast<long>(window_));
        message(to, target, type, data);
    };

    std::vector<Atom> types;
    for (const std::string& type : drag.types)
        types.push_back(atom(type));
    // A zero-length append produces a PropertyNotify that carries the server's time.
    XChangeProperty(display, window_, atom("KELVO_TEST_TIMESTAMP"), XA_STRING, 8, PropModeAppend,
                    nullptr, 0);
    XEvent stamp;
    XWindowEvent(display, window_, PropertyChangeMask, &stamp);
    const long time = static_cast<long>(stamp.xproperty.time);
    XSetSelectionOwner(display, atom("XdndSelection"), window_, static_cast<Time>(time));
    XDeleteProperty(display, window_, atom("XdndTypeList"));
    if (types.size() > 3)
        XChangeProperty(display, window_, atom("XdndTypeList"), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(types.data()),
                        static_cast<int>(types.size()));
    const std::vector<Atom> offered = types;
    types.resize(std::max<std::size_t>(types.size(), 3), 0);
    const long version = std::min(drag.version, outcome.targetVersion);
    send("XdndEnter", {(version << 24) | (offered.size() > 3 ? 1 : 0), static_cast<long>(types[0]),
                       static_cast<long>(types[1]), static_cast<long>(types[2])});
    send("XdndPosition", {0, (static_cast<long>(drag.rootX) << 16) | drag.rootY, time,
                          static_cast<long>(atom(drag.action))});

    // The data goes in one piece, or as INCR: the size first, then a piece each time the
    // requestor deletes the property, an empty one last.
    Window incrRequestor = 0;
    Atom incrProperty = 0;
    std::size_t incrOffset = 0;
    for (const auto end = std::chrono::steady_clock::now() + timeout;
         std::chrono::steady_clock::now() < end;) {
        if (!XPending(display)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        const XClientMessageEvent& received = event.xclient;
        const Atom type = event.type == ClientMessage ? received.message_type : None;
        if (type == atom("XdndStatus") && !outcome.statusReceived) {
            outcome.statusReceived = true;
            outcome.statusTarget = static_cast<unsigned long>(received.data.l[0]);
            outcome.accepted = (received.data.l[1] & 1) != 0;
            outcome.statusAction = name(received.data.l[4]);
            if (!drag.drop || !outcome.accepted) {
                send("XdndLeave", {0});
                // Once the server has it, the leave waits in the target's queue for the caller's
                // next look.
                XSync(display, False);
                return outcome;
            }
            send("XdndDrop", {0, time});
        } else if (type == atom("XdndFinished") && outcome.statusReceived) {
            outcome.finishedReceived = true;
            outcome.finishedTarget = static_cast<unsigned long>(received.data.l[0]);
            outcome.finishedAccepted = (received.data.l[1] & 1) != 0;
            outcome.finishedAction = name(received.data.l[2]);
            return outcome;
        } else if (event.type == SelectionRequest) {
            const XSelectionRequestEvent& request = event.xselectionrequest;
            outcome.dataRequested = true;
            outcome.requestedType = name(static_cast<long>(request.target));
            XEvent reply = {};
            reply.xselection = {SelectionNotify,   0,                 False,          nullptr,
                                request.requestor, request.selection, request.target,
                                request.property,  request.time};
            if (std::find(offered.begin(), offered.end(), request.target) == offered.end() ||
                request.property == 0) {
                reply.xselection.property = 0;
            } else if (drag.incrChunk == 0) {
                XChangeProperty(display, request.requestor, request.property, request.target, 8,
                                PropModeReplace,
                                reinterpret_cast<const unsigned char*>(drag.uriList.data()),
                                static_cast<int>(drag.uriList.size()));
            } else {
                XSelectInput(display, request.requestor, PropertyChangeMask);
                const long size = static_cast<long>(drag.uriList.size());
                XChangeProperty(display, request.requestor, request.property, atom("INCR"), 32,
                                PropModeReplace, reinterpret_cast<const unsigned char*>(&size), 1);
                incrRequestor = request.requestor;
                incrProperty = request.property;
                incrOffset = 0;
            }
            XSendEvent(display, request.requestor, False, NoEventMask, &reply);
            XFlush(display);
        } else if (event.type == PropertyNotify && incrRequestor &&
                   event.xproperty.window == incrRequestor &&
                   event.xproperty.atom == incrProperty &&
                   event.xproperty.state == PropertyDelete) {
            const std::size_t length =
                std::min<std::size_t>(drag.incrChunk, drag.uriList.size() - incrOffset);
            const char* piece = drag.uriList.data() + incrOffset;
            XChangeProperty(display, incrRequestor, incrProperty, atom("text/uri-list"), 8,
                            PropModeReplace, reinterpret_cast<const unsigned char*>(piece),
                            static_cast<int>(length));
            incrOffset += length;
            incrRequestor = length == 0 ? 0 : incrRequestor;
            XFlush(display);
        }
    }
    return outcome;
}

} // namespace kelvotest
