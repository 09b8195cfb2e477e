#include "app/FreedMemoryReturner.h"

#include "IdleActionAdapter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

osg::ref_ptr<osgGA::GUIEventAdapter> frameAt(double seconds)
{
    osg::ref_ptr<osgGA::GUIEventAdapter> event = new osgGA::GUIEventAdapter;
    event->setEventType(osgGA::GUIEventAdapter::FRAME);
    event->setTime(seconds);
    return event;
}

long residentKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

// A returner over a counted stand-in for the real call.
class FreedMemoryReturnerTiming : public ::testing::Test
{
protected:
    osg::ref_ptr<osgKELVO::FreedMemoryReturner> returnerEvery(double seconds)
    {
        return new osgKELVO::FreedMemoryReturner(seconds, [this] { ++calls; return true; });
    }
    bool frame(osgKELVO::FreedMemoryReturner& returner, double seconds)
    {
        return returner.handle(*frameAt(seconds), actions);
    }

    unsigned calls = 0;
    kelvotest::IdleActionAdapter actions;
};

} // namespace

TEST_F(FreedMemoryReturnerTiming, ReturnsOncePerIntervalOfFrameTime)
{
    osg::ref_ptr<osgKELVO::FreedMemoryReturner> returner = returnerEvery(10.0);
    // The first frame starts the interval; nothing is returned before it has passed.
    for (double t : {100.0, 101.0, 105.0, 109.9})
        EXPECT_FALSE(frame(*returner, t));
    EXPECT_EQ(0u, calls);
    EXPECT_FALSE(frame(*returner, 110.0));
    EXPECT_EQ(1u, calls);
    frame(*returner, 115.0);
    frame(*returner, 119.9);
    EXPECT_EQ(1u, calls);
    frame(*returner, 120.5);
    EXPECT_EQ(2u, calls);
}

TEST_F(FreedMemoryReturnerTiming, IgnoresEverythingButFrames)
{
    osg::ref_ptr<osgKELVO::FreedMemoryReturner> returner = returnerEvery(1.0);
    frame(*returner, 0.0);
    osg::ref_ptr<osgGA::GUIEventAdapter> key = new osgGA::GUIEventAdapter;
    key->setEventType(osgGA::GUIEventAdapter::KEYDOWN);
    key->setKey('a');
    key->setTime(50.0);
    // Another handler's event must never be taken from it.
    EXPECT_FALSE(returner->handle(*key, actions));
    EXPECT_EQ(0u, calls);
}

TEST_F(FreedMemoryReturnerTiming, ClockResetStartsTheIntervalAgain)
{
    osg::ref_ptr<osgKELVO::FreedMemoryReturner> returner = returnerEvery(10.0);
    frame(*returner, 500.0);
    frame(*returner, 2.0);
    frame(*returner, 11.0);
    EXPECT_EQ(0u, calls);
    frame(*returner, 12.5);
    EXPECT_EQ(1u, calls);
}

// The address sanitizer brings its own allocator, which holds freed memory in quarantine.
#if defined(__SANITIZE_ADDRESS__)
#define UNDER_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define UNDER_ADDRESS_SANITIZER 1
#endif
#endif

#if defined(__GLIBC__) && !defined(UNDER_ADDRESS_SANITIZER)
// Memory freed in another thread's arena, below a block still in use, stays resident on its own;
// the returner's real call gives it back.
TEST(FreedMemoryReturner, GivesBackMemoryFreedBelowALiveBlock)
{
    const std::size_t blockSize = 64 * 1024;
    const std::size_t blocks = 1600; // 100 MB
    std::vector<char*> held;
    std::thread worker([&] {
        for (std::size_t i = 0; i < blocks; ++i) {
            char* block = static_cast<char*>(std::malloc(blockSize));
            ASSERT_NE(nullptr, block);
            std::memset(block, static_cast<int>(i), blockSize);
            held.push_back(block);
        }
        for (std::size_t i = 0; i + 1 < blocks; ++i)
            std::free(held[i]);
    });
    worker.join();
    const long before = residentKilobytes();
    EXPECT_TRUE(osgKELVO::FreedMemoryReturner::returnFreedHeap());
    const long after = residentKilobytes();
    std::free(held.back());
    EXPECT_GT(before - after, 80 * 1024) << "resident " << before << " kB before, " << after << " kB after";
}
#endif
