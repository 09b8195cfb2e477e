#include "XdndTestSource.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace kelvotest {

namespace {

bool readWindowProperty(Display* display, Window window, Atom property, Atom type, unsigned long& value)
{
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(display, window, property, 0, 1, False, type, &actualType,
                                          &format, &count, &remaining, &data);
    const bool found = status == Success && actualType == type && format == 32 && count == 1 && data;
    if (found)
        value = *reinterpret_cast<unsigned long*>(data);
    if (data)
        XFree(data);
    return found;
}

int ignoreErrors(Display*, XErrorEvent*)
{
    return 0;
}

} // namespace

struct XdndTestSource::Session
{
    Display* display = nullptr;
    Window window = 0;
    Atom aware = 0, proxy = 0, enter = 0, position = 0, status = 0, leave = 0, drop = 0;
    Atom finished = 0, selection = 0, typeList = 0, incr = 0, timestampProperty = 0;

    Atom atom(const std::string& name) const { return XInternAtom(display, name.c_str(), False); }
    std::string name(Atom value) const
    {
        if (!value)
            return std::string();
        char* text = XGetAtomName(display, value);
        std::string result = text ? text : "";
        if (text)
            XFree(text);
        return result;
    }

    Time serverTime()
    {
        // A zero-length append produces a PropertyNotify that carries the server's time.
        XChangeProperty(display, window, timestampProperty, XA_STRING, 8, PropModeAppend, nullptr, 0);
        XEvent event;
        XWindowEvent(display, window, PropertyChangeMask, &event);
        return event.xproperty.time;
    }

    void send(Window to, Window target, Atom type, long l1, long l2, long l3, long l4)
    {
        XEvent event = {};
        event.xclient.type = ClientMessage;
        event.xclient.window = target;
        event.xclient.message_type = type;
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(window);
        event.xclient.data.l[1] = l1;
        event.xclient.data.l[2] = l2;
        event.xclient.data.l[3] = l3;
        event.xclient.data.l[4] = l4;
        XSendEvent(display, to, False, NoEventMask, &event);
        XFlush(display);
    }

    Window findTarget(int x, int y, int& version)
    {
        Window root = DefaultRootWindow(display);
        Window current = root;
        for (int depth = 0; depth < 32; ++depth) {
            int childX = 0, childY = 0;
            Window child = 0;
            if (!XTranslateCoordinates(display, root, current, x, y, &childX, &childY, &child) || !child)
                return 0;
            unsigned long value = 0;
            if (readWindowProperty(display, child, aware, XA_ATOM, value)) {
                version = static_cast<int>(value);
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
    XSetErrorHandler(&ignoreErrors);
    XSetWindowAttributes attributes = {};
    attributes.override_redirect = True;
    attributes.event_mask = PropertyChangeMask;
    s.window = XCreateWindow(s.display, DefaultRootWindow(s.display), -20, -20, 1, 1, 0, CopyFromParent,
                             InputOnly, CopyFromParent, CWOverrideRedirect | CWEventMask, &attributes);
    s.aware = s.atom("XdndAware");
    s.proxy = s.atom("XdndProxy");
    s.enter = s.atom("XdndEnter");
    s.position = s.atom("XdndPosition");
    s.status = s.atom("XdndStatus");
    s.leave = s.atom("XdndLeave");
    s.drop = s.atom("XdndDrop");
    s.finished = s.atom("XdndFinished");
    s.selection = s.atom("XdndSelection");
    s.typeList = s.atom("XdndTypeList");
    s.incr = s.atom("INCR");
    s.timestampProperty = s.atom("KELVO_TEST_TIMESTAMP");
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
    Session& s = *session;
    const Window id = static_cast<Window>(std::strtoul(window.c_str(), nullptr, 0));
    XWindowAttributes attributes;
    if (!s.display || !id || !XGetWindowAttributes(s.display, id, &attributes))
        return false;
    Window child = 0;
    return XTranslateCoordinates(s.display, id, DefaultRootWindow(s.display), attributes.width / 2,
                                 attributes.height / 2, &rootX, &rootY, &child);
}

std::string XdndTestSource::fileUri(const std::string& path)
{
    std::string uri = "file://";
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            uri += static_cast<char>(c);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof(escaped), "%%%02X", c);
            uri += escaped;
        }
    }
    return uri;
}

XdndTestSource::Outcome XdndTestSource::perform(const Drag& drag, std::chrono::milliseconds timeout)
{
    Outcome outcome;
    Session& s = *session;
    if (!s.display)
        return outcome;

    int version = 0;
    const Window target = s.findTarget(drag.rootX, drag.rootY, version);
    outcome.target = target;
    outcome.targetVersion = version;
    if (!target)
        return outcome;
    Window to = target;
    unsigned long proxyWindow = 0, proxyOfProxy = 0;
    if (readWindowProperty(s.display, target, s.proxy, XA_WINDOW, proxyWindow) &&
        readWindowProperty(s.display, static_cast<Window>(proxyWindow), s.proxy, XA_WINDOW, proxyOfProxy) &&
        proxyOfProxy == proxyWindow)
        to = static_cast<Window>(proxyWindow);
    outcome.messageWindow = to;
    const int used = std::min(drag.version, version);

    std::vector<Atom> types;
    for (const std::string& type : drag.types)
        types.push_back(s.atom(type));
    const Time time = s.serverTime();
    XSetSelectionOwner(s.display, s.selection, s.window, time);
    if (types.size() > 3)
        XChangeProperty(s.display, s.window, s.typeList, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(types.data()), static_cast<int>(types.size()));
    else
        XDeleteProperty(s.display, s.window, s.typeList);
    types.resize(std::max<std::size_t>(types.size(), 3), 0);

    s.send(to, target, s.enter, (static_cast<long>(used) << 24) | (drag.types.size() > 3 ? 1 : 0),
           static_cast<long>(types[0]), static_cast<long>(types[1]), static_cast<long>(types[2]));
    s.send(to, target, s.position, 0, (static_cast<long>(drag.rootX) << 16) | drag.rootY,
           static_cast<long>(time), static_cast<long>(s.atom(drag.action)));

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
        if (event.type == ClientMessage && event.xclient.message_type == s.status && !outcome.statusReceived) {
            outcome.statusReceived = true;
            outcome.statusTarget = static_cast<unsigned long>(event.xclient.data.l[0]);
            outcome.accepted = (event.xclient.data.l[1] & 1) != 0;
            outcome.statusAction = s.name(static_cast<Atom>(event.xclient.data.l[4]));
            if (drag.drop && outcome.accepted) {
                s.send(to, target, s.drop, 0, static_cast<long>(time), 0, 0);
                dropSent = true;
            } else {
                s.send(to, target, s.leave, 0, 0, 0, 0);
                // Give the target a moment to handle the leave before the caller looks.
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                return outcome;
            }
        } else if (event.type == ClientMessage && event.xclient.message_type == s.finished && dropSent) {
            outcome.finishedReceived = true;
            outcome.finishedTarget = static_cast<unsigned long>(event.xclient.data.l[0]);
            outcome.finishedAccepted = (event.xclient.data.l[1] & 1) != 0;
            outcome.finishedAction = s.name(static_cast<Atom>(event.xclient.data.l[2]));
            return outcome;
        } else if (event.type == SelectionRequest) {
            const XSelectionRequestEvent& request = event.xselectionrequest;
            outcome.dataRequested = true;
            outcome.requestedType = s.name(request.target);
            XEvent reply = {};
            reply.xselection.type = SelectionNotify;
            reply.xselection.requestor = request.requestor;
            reply.xselection.selection = request.selection;
            reply.xselection.target = request.target;
            reply.xselection.time = request.time;
            reply.xselection.property = request.property;
            const bool offered = std::find(types.begin(), types.end(), request.target) != types.end();
            if (!offered || request.property == 0) {
                reply.xselection.property = 0;
            } else if (drag.incrChunk == 0) {
                XChangeProperty(s.display, request.requestor, request.property, request.target, 8,
                                PropModeReplace, reinterpret_cast<const unsigned char*>(drag.uriList.data()),
                                static_cast<int>(drag.uriList.size()));
            } else {
                XSelectInput(s.display, request.requestor, PropertyChangeMask);
                const long size = static_cast<long>(drag.uriList.size());
                XChangeProperty(s.display, request.requestor, request.property, s.incr, 32, PropModeReplace,
                                reinterpret_cast<const unsigned char*>(&size), 1);
                incrRequestor = request.requestor;
                incrProperty = request.property;
                incrOffset = 0;
                incrDone = false;
            }
            XSendEvent(s.display, request.requestor, False, NoEventMask, &reply);
            XFlush(s.display);
        } else if (event.type == PropertyNotify && event.xproperty.window == incrRequestor &&
                   event.xproperty.atom == incrProperty && event.xproperty.state == PropertyDelete && !incrDone) {
            const std::size_t length = std::min<std::size_t>(drag.incrChunk, drag.uriList.size() - incrOffset);
            XChangeProperty(s.display, incrRequestor, incrProperty, s.atom("text/uri-list"), 8, PropModeReplace,
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
