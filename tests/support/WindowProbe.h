#pragma once

#include <ostream>
#include <string>
#include <vector>

struct _XDisplay;

namespace kelvotest {

// What the X server and its window manager say about a top-level window, and the requests a
// user's window operations make (the window manager decides).
class WindowProbe
{
public:
    struct Rectangle
    {
        int x = 0, y = 0, width = 0, height = 0;
        bool operator==(const Rectangle& o) const
        {
            return x == o.x && y == o.y && width == o.width && height == o.height;
        }
    };

    explicit WindowProbe(const std::string& display);
    ~WindowProbe();
    WindowProbe(const WindowProbe&) = delete;
    WindowProbe& operator=(const WindowProbe&) = delete;

    bool connected() const { return display_ != nullptr; }
    // The client area in root coordinates.
    Rectangle client(unsigned long window) const;
    // The frame's top left corner and the client's size: what the viewer is configured with.
    Rectangle outer(unsigned long window) const;
    bool decorated(unsigned long window) const;
    bool hasState(unsigned long window, const std::string& atom) const;

    void move(unsigned long window, int x, int y) const;
    void resize(unsigned long window, int width, int height) const;

protected:
    // A 32-bit client message of a type about a window, sent to another and flushed.
    void message(unsigned long to, unsigned long window, const char* type,
                 std::vector<long> data) const;
    _XDisplay* display_ = nullptr;
};

inline std::ostream& operator<<(std::ostream& out, const WindowProbe::Rectangle& r)
{
    return out << "(" << r.x << ", " << r.y << ", " << r.width << " x " << r.height << ")";
}

} // namespace kelvotest
