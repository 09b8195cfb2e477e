#include "app/FreedMemoryReturner.h"

#include <osg/Notify>
#include <osg/Timer>

#include <utility>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace osgKELVO {

FreedMemoryReturner::FreedMemoryReturner(double intervalSeconds, ReturnFunction returnFunction)
    : interval(intervalSeconds), returnFreed(std::move(returnFunction)), lastReturn(0.0), started(false)
{
}

bool FreedMemoryReturner::handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter&)
{
    switch (ea.getEventType()) {
    case osgGA::GUIEventAdapter::FRAME:
        return handleFrame(ea);
    default:
        return false;
    }
}

bool FreedMemoryReturner::handleFrame(const osgGA::GUIEventAdapter& ea)
{
    if (!returnFreed)
        return false;
    const double now = ea.getTime();
    if (!started) {
        started = true;
        lastReturn = now;
        return false;
    }
    // Time can step back when the viewer's clock is reset; start the interval again from there.
    if (now < lastReturn)
        lastReturn = now;
    if (now - lastReturn < interval)
        return false;
    lastReturn = now;
    const osg::Timer_t begin = osg::Timer::instance()->tick();
    const bool returned = returnFreed();
    OSG_DEBUG << "Returned freed memory to the system" << (returned ? "" : " (none was free)") << " in "
              << osg::Timer::instance()->delta_m(begin, osg::Timer::instance()->tick()) << " ms" << std::endl;
    return false;
}

bool FreedMemoryReturner::returnFreedHeap()
{
#if defined(__GLIBC__)
    return malloc_trim(0) != 0;
#else
    return false;
#endif
}

} // namespace osgKELVO
