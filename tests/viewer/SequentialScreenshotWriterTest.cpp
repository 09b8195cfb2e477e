#include "app/SequentialScreenshotWriter.h"

#include "RuntimeTree.h"

#include <gtest/gtest.h>
#include <osgDB/ReadFile>

using kelvotest::RuntimeTree;

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
