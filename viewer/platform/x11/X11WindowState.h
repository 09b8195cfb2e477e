#pragma once

#include <osgViewer/GraphicsWindow>

namespace osgKELVO {

// Maximizing the viewer's X11 window and asking whether it is maximized, through the window
// manager's extended hints (the _NET_WM_STATE maximized-vertically and -horizontally atoms).
class X11WindowState
{
public:
    // True when the window is an X11 window that exists on the server.
    static bool isX11Window(osgViewer::GraphicsWindow* window);

    // True once the window manager has put the window on the screen.
    static bool isViewable(osgViewer::GraphicsWindow* window);

    // Before the window is mapped the state is written as the window's initial _NET_WM_STATE,
    // which the window manager reads when it maps the window; once it is mapped a _NET_WM_STATE
    // request goes to the root window. False when the window is not an X11 window.
    static bool requestMaximized(osgViewer::GraphicsWindow* window);

    // Both maximized atoms in the window's _NET_WM_STATE property.
    static bool isMaximized(osgViewer::GraphicsWindow* window);
};

} // namespace osgKELVO
