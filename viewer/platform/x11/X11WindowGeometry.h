#pragma once

namespace osgViewer {
class GraphicsWindow;
}

namespace osgKELVO {

// Where a window really is on its screen. The scene-graph library's X11 window doubles its position
// when no window manager reparents it, and reports the client area when one does; what a new window
// must be given to appear at the same place is the outer (frame) position.
class X11WindowGeometry
{
public:
    // The outer rectangle: position of the frame's top left corner (the client's when the window
    // has no frame) and the client size. Falls back to the library's own rectangle for windows
    // that are not X11 windows.
    static void outerRectangle(osgViewer::GraphicsWindow* window, int& x, int& y, int& width, int& height);
};

} // namespace osgKELVO
