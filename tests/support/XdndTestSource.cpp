#include "XdndTestSource.h"

#include "WindowProbe.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace kelvotest {

struct XdndTestSource::Session
{
    Display* display = nullptr;
    Window window = 0;

    // Xlib keeps interned atoms, so asking again costs no round trip.
    Atom atom(const char* name) const { return XInternAtom(display, name, False); }
    std::string name(Atom value) const
    {
        char* text = value ? XGetAtomName(display, value) : nullptr;
        const std::string result = text ? text : "";
        if (text)
            XFree(text);
        return result;
    }

    Time serverTime()
    {
        // A zero-length append produces a PropertyNotify that carries the server's time.
        XChangeProperty(display, window, atom("KELVO_TEST_TIMESTAMP"), XA_STRING, 8,
                        PropModeAppend, nullptr, 0);
        XEvent event;
        XWindowEvent(display, window, PropertyChangeMask, &event);
        return event.xproperty.time;
    }

    void send(Window to, Window target, const char* type, long l1, long l2 = 0, long l3 = 0,
              long l4 = 0)
    {
        XEvent event = {};
        event.xclient.type = ClientMessage;
        event.xclient.window = target;
        event.xclient.message_type = atom(type);
        event.xclient.format = 32;
        const long data[5] = {static_cast<long>(window), l1, l2, l3, l4};
        std::copy(data, data + 5, event.xclient.data.l);
        XSendEvent(display, to, False, NoEventMask, &event);
        XFlush(display);
    }

    // The first window with XdndAware on the way down the tree under a root point.
    Window findTarget(int x, int y, int& version)
    {
        const Window root = DefaultRootWindow(display);
        Window current = root;
        for (int depth = 0; depth < 32; ++depth) {
            int childX = 0, childY = 0;
            Window child = 0;
            if (!XTranslateCoordinates(display, root, current, x, y, &childX, &childY, &child) ||
                !child)
                return 0;
            const std::vector<long> aware = windowProperty(display, child, "XdndAware", XA_ATOM);
            if (aware.size() == 1) {
                version = static_cast<int>(aware[0]);
                return child;
            }
            current = child;
        }
        return 0;
    }
};

XdndTestSource::XdndTestSource(const std::string& display) : session(new Session)
{
    Session& s = *session;
    s.display = XOpenDisplay(display.c_str());
    if (!s.display)
        return;
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    XSetWindowAttributes attributes = {};
    attributes.override_redirect = True;
    attributes.event_mask = PropertyChangeMask;
    s.window =
        XCreateWindow(s.display, DefaultRootWindow(s.display), -20, -20, 1, 1, 0, CopyFromParent,
                      InputOnly, CopyFromParent, CWOverrideRedirect | CWEventMask, &attributes);
}

XdndTestSource::~XdndTestSource()
{
    if (session->display) {
        XDestroyWindow(session->display, session->window);
        XCloseDisplay(session->display);
    }
}

bool XdndTestSource::connected() const
{
    return session->display != nullptr;
}

bool XdndTestSource::windowCentre(const std::string& window, int& rootX, int& rootY) const
{
    Display* display = session->display;
    const Window id = static_cast<Window>(std::strtoul(window.c_str(), nullptr, 0));
    XWindowAttributes attributes;
    if (!display || !id || !XGetWindowAttributes(display, id, &attributes))
        return false;
    Window child = 0;
    return XTranslateCoordinates(display, id, DefaultRootWindow(display), attributes.width / 2,
                                 attributes.height / 2, &rootX, &rootY, &child);
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
    Session& s = *session;
    if (!s.display)
        return outcome;
    const Window target = s.findTarget(drag.rootX, drag.rootY, outcome.targetVersion);
    outcome.target = target;
    if (!target)
        return outcome;
    // A proxy counts only when it names itself as its proxy.
    Window to = target;
    const std::vector<long> proxy = windowProperty(s.display, target, "XdndProxy", XA_WINDOW);
    if (proxy.size() == 1 && windowProperty(s.display, proxy[0], "XdndProxy", XA_WINDOW) == proxy)
        to = static_cast<Window>(proxy[0]);
    outcome.messageWindow = to;

    std::vector<Atom> types;
    for (const std::string& type : drag.types)
        types.push_back(s.atom(type.c_str()));
    const Time time = s.serverTime();
    XSetSelectionOwner(s.display, s.atom("XdndSelection"), s.window, time);
    if (types.size() > 3)
        XChangeProperty(s.display, s.window, s.atom("XdndTypeList"), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(types.data()),
                        static_cast<int>(types.size()));
    else
        XDeleteProperty(s.display, s.window, s.atom("XdndTypeList"));
    types.resize(std::max<std::size_t>(types.size(), 3), 0);
    const long version = std::min(drag.version, outcome.targetVersion);
    s.send(to, target, "XdndEnter", (version << 24) | (drag.types.size() > 3 ? 1 : 0),
           static_cast<long>(types[0]), static_cast<long>(types[1]), static_cast<long>(types[2]));
    s.send(to, target, "XdndPosition", 0, (static_cast<long>(drag.rootX) << 16) | drag.rootY,
           static_cast<long>(time), static_cast<long>(s.atom(drag.action.c_str())));

    const auto end = std::chrono::steady_clock::now() + timeout;
    bool dropSent = false;
    Window incrRequestor = 0;
    Atom incrProperty = 0;
    std::size_t incrOffset = 0;
    bool incrDone = false;
    while (std::chrono::steady_clock::now() < end) {
        if (!XPending(s.display)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        XEvent event;
        XNextEvent(s.display, &event);
        const XClientMessageEvent& message = event.xclient;
        if (event.type == ClientMessage && message.message_type == s.atom("XdndStatus") &&
            !outcome.statusReceived) {
            outcome.statusReceived = true;
            outcome.statusTarget = static_cast<unsigned long>(message.data.l[0]);
            outcome.accepted = (message.data.l[1] & 1) != 0;
            outcome.statusAction = s.name(static_cast<Atom>(message.data.l[4]));
            if (!drag.drop || !outcome.accepted) {
                s.send(to, target, "XdndLeave", 0);
                // Give the target a moment to handle the leave before the caller looks.
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                return outcome;
            }
            s.send(to, target, "XdndDrop", 0, static_cast<long>(time));
            dropSent = true;
        } else if (event.type == ClientMessage && message.message_type == s.atom("XdndFinished") &&
                   dropSent) {
            outcome.finishedReceived = true;
            outcome.finishedTarget = static_cast<unsigned long>(message.data.l[0]);
            outcome.finishedAccepted = (message.data.l[1] & 1) != 0;
            outcome.finishedAction = s.name(static_cast<Atom>(message.data.l[2]));
            return outcome;
        } else if (event.type == SelectionRequest) {
            const XSelectionRequestEvent& request = event.xselectionrequest;
            outcome.dataRequested = true;
            outcome.requestedType = s.name(request.target);
            XEvent reply = {};
            reply.xselection = {SelectionNotify, 0,      False,           nullptr,
                                request.requestor, request.selection, request.target,
                                request.property,  request.time};
            const bool offered =
                std::find(types.begin(), types.end(), request.target) != types.end();
            if (!offered || request.property == 0) {
                reply.xselection.property = 0;
            } else if (drag.incrChunk == 0) {
                XChangeProperty(s.display, request.requestor, request.property, request.target, 8,
                                PropModeReplace,
                                reinterpret_cast<const unsigned char*>(drag.uriList.data()),
                                static_cast<int>(drag.uriList.size()));
            } else {
                // INCR: the size first, then a piece each time the requestor deletes the property.
                XSelectInput(s.display, request.requestor, PropertyChangeMask);
                const long size = static_cast<long>(drag.uriList.size());
                XChangeProperty(s.display, request.requestor, request.property, s.atom("INCR"), 32,
                                PropModeReplace, reinterpret_cast<const unsigned char*>(&size), 1);
                incrRequestor = request.requestor;
                incrProperty = request.property;
                incrOffset = 0;
                incrDone = false;
            }
            XSendEvent(s.display, request.requestor, False, NoEventMask, &reply);
            XFlush(s.display);
        } else if (event.type == PropertyNotify && event.xproperty.window == incrRequestor &&
                   event.xproperty.atom == incrProperty &&
                   event.xproperty.state == PropertyDelete && !incrDone) {
            const std::size_t length =
                std::min<std::size_t>(drag.incrChunk, drag.uriList.size() - incrOffset);
            XChangeProperty(
                s.display, incrRequestor, incrProperty, s.atom("text/uri-list"), 8,
                PropModeReplace,
                reinterpret_cast<const unsigned char*>(drag.uriList.data() + incrOffset),
                static_cast<int>(length));
            incrOffset += length;
            incrDone = length == 0;
            XFlush(s.display);
        }
    }
    return outcome;
}

} // namespace kelvotest
