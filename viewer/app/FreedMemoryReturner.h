#pragma once

#include <osgGA/GUIEventHandler>

#include <functional>

namespace osgKELVO {

// Every so many seconds of frames, hands the heap memory that has been freed back to the system.
// The drawing thread's allocator keeps what a busy moment needed (a window resize, a model load,
// the software rasterizer's queue) resident for good otherwise, and a viewer left running all day
// would show the largest moment it ever had.
class FreedMemoryReturner : public osgGA::GUIEventHandler
{
public:
    using ReturnFunction = std::function<bool()>;

    explicit FreedMemoryReturner(double intervalSeconds = 10.0, ReturnFunction returnFreed = returnFreedHeap);

    bool handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa) override;

    // Gives freed heap pages of every arena back; true when the system got any.
    static bool returnFreedHeap();

protected:
    ~FreedMemoryReturner() override = default;

private:
    bool handleFrame(const osgGA::GUIEventAdapter& ea);

    double interval;
    ReturnFunction returnFreed;
    double lastReturn;
    bool started;
};

} // namespace osgKELVO
