#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace osgKELVO {

// The receiving side of the XDND drag-and-drop protocol (version 5) for one top-level X11 window.
//
// The graphics window's own X connections are not ours to read: client messages sent to a window
// go to the connection that created it, which the scene-graph library uses for drawing. So the
// target opens a connection of its own with an unmapped proxy window on it, and the top-level
// window names that proxy in its XdndProxy property; sources then talk to the proxy. Everything
// runs on the thread that calls processEvents, which never blocks.
class XdndDropTarget
{
public:
    using DropHandler = std::function<void(const std::vector<std::string>& paths)>;

    static const int Version = 5;

    // Opens the display (an empty name means DISPLAY); valid() is false when that fails.
    explicit XdndDropTarget(const std::string& displayName);
    ~XdndDropTarget();
    XdndDropTarget(const XdndDropTarget&) = delete;
    XdndDropTarget& operator=(const XdndDropTarget&) = delete;

    bool valid() const;

    // Advertises drops on a top-level window; a later call moves the advertisement to another one.
    void attach(unsigned long window);
    unsigned long attachedWindow() const;

    // Answers the protocol messages that have arrived and calls the handler once for each finished
    // drop that named local files, with their paths in list order.
    void processEvents(const DropHandler& handler);

private:
    struct Connection;
    std::unique_ptr<Connection> connection;
};

} // namespace osgKELVO
