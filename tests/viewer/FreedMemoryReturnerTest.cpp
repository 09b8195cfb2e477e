// The freed-memory returner's schedule (its call is the C library's malloc_trim).

#include "app/FreedMemoryReturner.h"

#include "IdleActionAdapter.h"

#include <gtest/gtest.h>

// The first frame starts the interval; a clock that goes back starts it again; other events,
// never taken from their handlers, do not count.
TEST(FreedMemoryReturner, ReturnsOncePerIntervalOfFrameTime)
{
    unsigned calls = 0;
    kelvotest::IdleActionAdapter actions;
    osg::ref_ptr<osgKELVO::FreedMemoryReturner> returner =
        new osgKELVO::FreedMemoryReturner(10.0, [&calls] { ++calls; return true; });
    const std::pair<double, unsigned> frames[] = {{100.0, 0}, {105.0, 0}, {109.9, 0}, {110.0, 1}, {119.9, 1},
                                                  {120.5, 2}, {2.0, 2},   {11.0, 2},  {12.5, 3}};
    osg::ref_ptr<osgGA::GUIEventAdapter> event = new osgGA::GUIEventAdapter;
    event->setEventType(osgGA::GUIEventAdapter::FRAME);
    for (const auto& frame : frames) {
        event->setTime(frame.first);
        EXPECT_FALSE(returner->handle(*event, actions));
        EXPECT_EQ(frame.second, calls) << "after the frame at " << frame.first << " s";
    }
    event->setEventType(osgGA::GUIEventAdapter::KEYDOWN);
    event->setTime(50.0);
    EXPECT_FALSE(returner->handle(*event, actions));
    EXPECT_EQ(3u, calls);
}
