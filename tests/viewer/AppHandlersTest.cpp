// The application's own handlers: the freed-memory returner's schedule (its call is the C
// library's malloc_trim) and the screenshot writer's numbering.

#include "app/FreedMemoryReturner.h"
#include "app/SequentialScreenshotWriter.h"

#include "IdleActionAdapter.h"
#include "RuntimeTree.h"

#include <gtest/gtest.h>
#include <osgDB/ReadFile>

using kelvotest::RuntimeTree;

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

// Screenshots are numbered per graphics context, past the files of earlier runs, never over them.
TEST(SequentialScreenshotWriter, SkipsTheFilesOfEarlierRuns)
{
    RuntimeTree tree(false);
    const std::string base = tree.root() + "/KELVOview";
    for (const char* earlier : {"_0_0.png", "_1_0.png", "_3_0.png"})
        RuntimeTree::writeFile(base + earlier, "earlier run");
    osg::ref_ptr<osgKELVO::SequentialScreenshotWriter> writer = new osgKELVO::SequentialScreenshotWriter(base, "png");
    const std::pair<unsigned char, unsigned> shots[] = {{10, 0}, {200, 0}, {90, 1}};
    for (const auto& shot : shots) {
        osg::ref_ptr<osg::Image> image = new osg::Image;
        image->allocateImage(8, 4, 1, GL_RGB, GL_UNSIGNED_BYTE);
        std::fill(image->data(), image->data() + image->getTotalSizeInBytes(), shot.first);
        (*writer)(*image, shot.second);
    }
    EXPECT_EQ("earlier run", RuntimeTree::readFile(base + "_3_0.png"));
    const std::pair<const char*, unsigned char> written[] = {{"_2_0.png", 10}, {"_4_0.png", 200}, {"_0_1.png", 90}};
    for (const auto& file : written) {
        osg::ref_ptr<osg::Image> image = osgDB::readImageFile(base + file.first);
        ASSERT_TRUE(image) << file.first;
        EXPECT_EQ(file.second, image->data()[0]) << file.first;
    }
}
