#pragma once

#include <string>
#include <vector>

struct _XDisplay;

namespace kelvotest {

// What the X server and its window manager say about a top-level window: where the client area
// and the frame around it are on the root window, the frame extents and the EWMH state atoms.
class WindowProbe
{
public:
    struct Rectangle
    {
        int x = 0, y = 0, width = 0, height = 0;
    };

    explicit WindowProbe(const std::string& display);
    ~WindowProbe();
    WindowProbe(const WindowProbe&) = delete;
    WindowProbe& operator=(const WindowProbe&) = delete;

    bool connected() const { return display_ != nullptr; }
    void screenSize(int& width, int& height) const;

    // The client area in root coordinates.
    Rectangle client(unsigned long window) const;
    // The frame's top left corner and the client's size: what the viewer is configured with.
    Rectangle outer(unsigned long window) const;
    // _NET_FRAME_EXTENTS: left, right, top, bottom; empty when the property is missing.
    std::vector<long> frameExtents(unsigned long window) const;
    bool decorated(unsigned long window) const;
    bool hasState(unsigned long window, const std::string& atom) const;

    // Requests as a user's window operations make them; the window manager decides.
    void move(unsigned long window, int x, int y) const;
    void resize(unsigned long window, int width, int height) const;

    // Asks the window manager to maximize the window, as a user would with the title bar button.
    void maximize(unsigned long window) const;

private:
    _XDisplay* display_ = nullptr;
};

std::ostream& operator<<(std::ostream& out, const WindowProbe::Rectangle& r);
bool operator==(const WindowProbe::Rectangle& a, const WindowProbe::Rectangle& b);

} // namespace kelvotest
