#include "platform/x11/XdndDropTarget.h"

#include "desktop/UriListDecoder.h"

#include <osg/Notify>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>

namespace osgKELVO {

namespace {

// A source may vanish in the middle of a drag; requests naming its windows then fail with
// BadWindow, which must not reach the default handler (it ends the process).
class ErrorTrap
{
public:
    explicit ErrorTrap(Display* display) : display(display)
    {
        XSync(display, False);
        failed = false;
        previous = XSetErrorHandler(&ErrorTrap::record);
    }
    ~ErrorTrap()
    {
        XSync(display, False);
        XSetErrorHandler(previous);
    }
    bool caught()
    {
        XSync(display, False);
        return failed;
    }

private:
    static int record(Display*, XErrorEvent*)
    {
        failed = true;
        return 0;
    }

    Display* display;
    XErrorHandler previous;
    static bool failed;
};

bool ErrorTrap::failed = false;

} // namespace

struct XdndDropTarget::Connection
{
    Display* display = nullptr;
    Window proxy = 0;
    Window target = 0;

    Atom xdndAware = 0, xdndProxy = 0, xdndEnter = 0, xdndPosition = 0, xdndStatus = 0;
    Atom xdndLeave = 0, xdndDrop = 0, xdndFinished = 0, xdndSelection = 0, xdndTypeList = 0;
    Atom xdndActionCopy = 0, uriList = 0, transferProperty = 0, incr = 0;

    // The drag in progress.
    Window source = 0;
    int version = 0;
    bool offersUriList = false;
    bool awaitingSelection = false;
    bool receivingIncrements = false;
    std::string received;

    UriListDecoder decoder{UriListDecoder::thisHostName()};

    void internAtoms();
    void advertiseOn(Window window);
    void reset();

    void handleClientMessage(const XClientMessageEvent& message);
    void handleEnter(const XClientMessageEvent& message);
    void handleDrop(const XClientMessageEvent& message);
    void handleSelectionNotify(const XSelectionEvent& event, const DropHandler& handler);
    void handlePropertyNotify(const XPropertyEvent& event, const DropHandler& handler);

    bool readTransferProperty(std::string& data, Atom& type);
    void finishDrop(const DropHandler& handler);
    void sendStatus(bool accept);
    void sendFinished(bool accepted);
    void sendToSource(Atom messageType, long l1, long l2, long l3, long l4);
};

void XdndDropTarget::Connection::internAtoms()
{
    const char* names[] = {"XdndAware",     "XdndProxy",      "XdndEnter",     "XdndPosition",
                           "XdndStatus",    "XdndLeave",      "XdndDrop",      "XdndFinished",
                           "XdndSelection", "XdndTypeList",   "XdndActionCopy", "text/uri-list",
                           "KELVO_DROPPED_URIS", "INCR"};
    Atom atoms[14];
    XInternAtoms(display, const_cast<char**>(names), 14, False, atoms);
    xdndAware = atoms[0];
    xdndProxy = atoms[1];
    xdndEnter = atoms[2];
    xdndPosition = atoms[3];
    xdndStatus = atoms[4];
    xdndLeave = atoms[5];
    xdndDrop = atoms[6];
    xdndFinished = atoms[7];
    xdndSelection = atoms[8];
    xdndTypeList = atoms[9];
    xdndActionCopy = atoms[10];
    uriList = atoms[11];
    transferProperty = atoms[12];
    incr = atoms[13];
}

void XdndDropTarget::Connection::advertiseOn(Window window)
{
    // Sources look for XdndAware on the top-level window, and for the proxy both on the window and,
    // to confirm it, on the proxy itself.
    const Atom version = Version;
    XChangeProperty(display, window, xdndAware, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&version), 1);
    XChangeProperty(display, window, xdndProxy, XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&proxy), 1);
}

void XdndDropTarget::Connection::reset()
{
    source = 0;
    version = 0;
    offersUriList = false;
    awaitingSelection = false;
    receivingIncrements = false;
    received.clear();
}

void XdndDropTarget::Connection::sendToSource(Atom messageType, long l1, long l2, long l3, long l4)
{
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.display = display;
    event.xclient.window = source;
    event.xclient.message_type = messageType;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(target);
    event.xclient.data.l[1] = l1;
    event.xclient.data.l[2] = l2;
    event.xclient.data.l[3] = l3;
    event.xclient.data.l[4] = l4;
    ErrorTrap trap(display);
    XSendEvent(display, source, False, NoEventMask, &event);
    if (trap.caught())
        osg::notify(osg::INFO) << "Drag source window 0x" << std::hex << source << std::dec
                               << " is gone" << std::endl;
}

void XdndDropTarget::Connection::sendStatus(bool accept)
{
    // Bit 1 asks for a position message on every move; the empty rectangle says the same.
    sendToSource(xdndStatus, accept ? 3 : 0, 0, 0, accept ? static_cast<long>(xdndActionCopy) : 0);
}

void XdndDropTarget::Connection::sendFinished(bool accepted)
{
    if (version >= 5)
        sendToSource(xdndFinished, accepted ? 1 : 0, accepted ? static_cast<long>(xdndActionCopy) : 0,
                     0, 0);
    else
        sendToSource(xdndFinished, 0, 0, 0, 0);
}

void XdndDropTarget::Connection::handleEnter(const XClientMessageEvent& message)
{
    reset();
    source = static_cast<Window>(message.data.l[0]);
    version = static_cast<int>((static_cast<unsigned long>(message.data.l[1]) >> 24) & 0xFF);

    std::vector<Atom> types;
    if (message.data.l[1] & 1) {
        // More than three types: the full list is on the source window.
        ErrorTrap trap(display);
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, remaining = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, source, xdndTypeList, 0, 0x10000, False, XA_ATOM, &type,
                               &format, &count, &remaining, &data) == Success &&
            type == XA_ATOM && format == 32 && data) {
            const unsigned long* values = reinterpret_cast<const unsigned long*>(data);
            types.assign(values, values + count);
        }
        if (data)
            XFree(data);
    } else {
        for (int i = 2; i <= 4; ++i)
            if (message.data.l[i])
                types.push_back(static_cast<Atom>(message.data.l[i]));
    }
    offersUriList = std::find(types.begin(), types.end(), uriList) != types.end();
    osg::notify(osg::INFO) << "Drag entered from window 0x" << std::hex << source << std::dec
                           << " (XDND version " << version << ", "
                           << (offersUriList ? "offers" : "does not offer") << " text/uri-list)"
                           << std::endl;
}

void XdndDropTarget::Connection::handleDrop(const XClientMessageEvent& message)
{
    if (!offersUriList) {
        sendFinished(false);
        reset();
        return;
    }
    const Time time = version >= 1 ? static_cast<Time>(message.data.l[2]) : CurrentTime;
    XDeleteProperty(display, proxy, transferProperty);
    XConvertSelection(display, xdndSelection, uriList, transferProperty, proxy, time);
    XFlush(display);
    awaitingSelection = true;
}

void XdndDropTarget::Connection::handleClientMessage(const XClientMessageEvent& message)
{
    if (message.format != 32)
        return;
    const Window sender = static_cast<Window>(message.data.l[0]);
    if (message.message_type == xdndEnter) {
        handleEnter(message);
        return;
    }
    if (sender == 0 || sender != source)
        return;
    if (message.message_type == xdndPosition) {
        if (!awaitingSelection)
            sendStatus(offersUriList);
    } else if (message.message_type == xdndLeave) {
        reset();
    } else if (message.message_type == xdndDrop) {
        if (!awaitingSelection)
            handleDrop(message);
    }
}

bool XdndDropTarget::Connection::readTransferProperty(std::string& data, Atom& type)
{
    data.clear();
    type = 0;
    long offset = 0;
    for (;;) {
        int format = 0;
        unsigned long count = 0, remaining = 0;
        unsigned char* bytes = nullptr;
        if (XGetWindowProperty(display, proxy, transferProperty, offset, 0x100000, False,
                               AnyPropertyType, &type, &format, &count, &remaining, &bytes) != Success)
            return false;
        if (bytes) {
            const std::size_t unit = format == 32 ? sizeof(long) : static_cast<std::size_t>(format / 8);
            data.append(reinterpret_cast<const char*>(bytes), count * unit);
            XFree(bytes);
        }
        offset += static_cast<long>(count * static_cast<unsigned long>(format) / 32);
        if (remaining == 0 || count == 0)
            break;
    }
    XDeleteProperty(display, proxy, transferProperty);
    XFlush(display);
    return true;
}

void XdndDropTarget::Connection::handleSelectionNotify(const XSelectionEvent& event,
                                                       const DropHandler& handler)
{
    if (!awaitingSelection || event.selection != xdndSelection)
        return;
    if (event.property == 0) {
        osg::notify(osg::INFO) << "The drag source did not deliver the dropped URI list" << std::endl;
        sendFinished(false);
        reset();
        return;
    }
    Atom type = 0;
    std::string data;
    if (!readTransferProperty(data, type)) {
        sendFinished(false);
        reset();
        return;
    }
    if (type == incr) {
        // Large lists come in pieces, each announced by a new value of the property.
        receivingIncrements = true;
        received.clear();
        return;
    }
    received = data;
    finishDrop(handler);
}

void XdndDropTarget::Connection::handlePropertyNotify(const XPropertyEvent& event,
                                                      const DropHandler& handler)
{
    if (!receivingIncrements || event.atom != transferProperty || event.state != PropertyNewValue)
        return;
    Atom type = 0;
    std::string piece;
    if (!readTransferProperty(piece, type)) {
        sendFinished(false);
        reset();
        return;
    }
    if (!piece.empty()) {
        received += piece;
        return;
    }
    receivingIncrements = false;
    finishDrop(handler);
}

void XdndDropTarget::Connection::finishDrop(const DropHandler& handler)
{
    const UriListDecoder::Result list = decoder.decode(received);
    for (const std::string& uri : list.ignored)
        osg::notify(osg::INFO) << "Ignoring dropped URI " << uri << ": not a local file" << std::endl;
    sendFinished(!list.paths.empty());
    reset();
    if (!list.paths.empty())
        handler(list.paths);
}

XdndDropTarget::XdndDropTarget(const std::string& displayName) : connection(new Connection)
{
    Connection& c = *connection;
    c.display = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
    if (!c.display) {
        osg::notify(osg::WARN) << "Dropping files is not available: cannot open display \""
                               << displayName << "\"" << std::endl;
        return;
    }
    c.internAtoms();
    XSetWindowAttributes attributes = {};
    attributes.override_redirect = True;
    attributes.event_mask = PropertyChangeMask;
    c.proxy = XCreateWindow(c.display, DefaultRootWindow(c.display), -10, -10, 1, 1, 0, CopyFromParent,
                            InputOnly, CopyFromParent, CWOverrideRedirect | CWEventMask, &attributes);
    c.advertiseOn(c.proxy);
    XFlush(c.display);
}

XdndDropTarget::~XdndDropTarget()
{
    Connection& c = *connection;
    if (!c.display)
        return;
    if (c.target) {
        ErrorTrap trap(c.display);
        XDeleteProperty(c.display, c.target, c.xdndProxy);
        XDeleteProperty(c.display, c.target, c.xdndAware);
    }
    XDestroyWindow(c.display, c.proxy);
    XCloseDisplay(c.display);
}

bool XdndDropTarget::valid() const
{
    return connection->display != nullptr;
}

void XdndDropTarget::attach(unsigned long window)
{
    Connection& c = *connection;
    if (!c.display || !window)
        return;
    if (c.target && c.target != window) {
        // The old window may be gone already.
        ErrorTrap trap(c.display);
        XDeleteProperty(c.display, c.target, c.xdndProxy);
        XDeleteProperty(c.display, c.target, c.xdndAware);
        c.target = 0;
    }
    // Remembered even when marking fails, so that a caller following the window does not retry
    // (and warn) at every event check.
    c.target = static_cast<Window>(window);
    ErrorTrap trap(c.display);
    c.advertiseOn(c.target);
    if (trap.caught()) {
        osg::notify(osg::WARN) << "Dropping files is not available: window 0x" << std::hex << window
                               << std::dec << " cannot be marked as a drop target" << std::endl;
        return;
    }
    osg::notify(osg::INFO) << "Window 0x" << std::hex << window << std::dec
                           << " accepts dropped files (XDND version " << Version << ")" << std::endl;
}

unsigned long XdndDropTarget::attachedWindow() const
{
    return connection->target;
}

void XdndDropTarget::processEvents(const DropHandler& handler)
{
    Connection& c = *connection;
    if (!c.display)
        return;
    while (XPending(c.display)) {
        XEvent event;
        XNextEvent(c.display, &event);
        switch (event.type) {
        case ClientMessage:
            c.handleClientMessage(event.xclient);
            break;
        case SelectionNotify:
            c.handleSelectionNotify(event.xselection, handler);
            break;
        case PropertyNotify:
            c.handlePropertyNotify(event.xproperty, handler);
            break;
        default:
            break;
        }
    }
}

} // namespace osgKELVO
