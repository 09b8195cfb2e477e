// The freed-memory returner: its schedule, and the real call.

#include "app/FreedMemoryReturner.h"

#include "IdleActionAdapter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

// The address sanitizer brings its own allocator, which holds freed memory in quarantine.
#if defined(__SANITIZE_ADDRESS__)
#define UNDER_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define UNDER_ADDRESS_SANITIZER 1
#endif
#endif

namespace {

[[maybe_unused]] long residentKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

} // namespace

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

// Memory freed in another thread's arena, below a block still in use, stays resident on its own;
// the returner's real call gives it back.
TEST(FreedMemoryReturner, GivesBackMemoryFreedBelowALiveBlock)
{
#if !defined(__GLIBC__) || defined(UNDER_ADDRESS_SANITIZER)
    GTEST_SKIP() << "needs the C library's own allocator, which this build does not use";
#else
    const std::size_t blockSize = 64 * 1024, blocks = 1600; // 100 MB
    std::vector<char*> held;
    std::thread worker([&] {
        for (std::size_t i = 0; i < blocks; ++i)
            if (char* block = static_cast<char*>(std::malloc(blockSize))) {
                std::memset(block, static_cast<int>(i), blockSize);
                held.push_back(block);
            }
        for (std::size_t i = 0; i + 1 < held.size(); ++i)
            std::free(held[i]);
    });
    worker.join();
    ASSERT_EQ(blocks, held.size()) << "the blocks could not all be allocated";
    const long before = residentKilobytes();
    EXPECT_TRUE(osgKELVO::FreedMemoryReturner::returnFreedHeap());
    const long after = residentKilobytes();
    std::free(held.back());
    EXPECT_GT(before - after, 80 * 1024) << "resident " << before << " kB before, " << after << " kB after";
#endif
}
