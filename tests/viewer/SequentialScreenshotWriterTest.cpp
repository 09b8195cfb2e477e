#include "app/SequentialScreenshotWriter.h"

#include "RuntimeTree.h"

#include <gtest/gtest.h>
#include <osgDB/ReadFile>

#include <filesystem>

namespace fs = std::filesystem;
using kelvotest::RuntimeTree;

namespace {

osg::ref_ptr<osg::Image> solidImage(unsigned char grey)
{
    osg::ref_ptr<osg::Image> image = new osg::Image;
    image->allocateImage(8, 4, 1, GL_RGB, GL_UNSIGNED_BYTE);
    std::fill(image->data(), image->data() + image->getTotalSizeInBytes(), grey);
    return image;
}

} // namespace

TEST(SequentialScreenshotWriter, SkipsTheFilesOfEarlierRuns)
{
    RuntimeTree tree(false);
    const std::string base = tree.root() + "/KELVOview";
    RuntimeTree::writeFile(base + "_0_0.png", "earlier run");
    RuntimeTree::writeFile(base + "_1_0.png", "earlier run");
    RuntimeTree::writeFile(base + "_3_0.png", "earlier run");

    osg::ref_ptr<osgKELVO::SequentialScreenshotWriter> writer =
        new osgKELVO::SequentialScreenshotWriter(base, "png");
    EXPECT_EQ(base + "_2_0.png", writer->nextFileName(0));
    (*writer)(*solidImage(10), 0);
    (*writer)(*solidImage(200), 0);
    (*writer)(*solidImage(90), 1);

    EXPECT_EQ("earlier run", RuntimeTree::readFile(base + "_0_0.png"));
    EXPECT_EQ("earlier run", RuntimeTree::readFile(base + "_3_0.png"));
    osg::ref_ptr<osg::Image> second = osgDB::readImageFile(base + "_2_0.png");
    osg::ref_ptr<osg::Image> third = osgDB::readImageFile(base + "_4_0.png");
    osg::ref_ptr<osg::Image> otherContext = osgDB::readImageFile(base + "_0_1.png");
    ASSERT_TRUE(second && third && otherContext);
    EXPECT_EQ(10, second->data()[0]);
    EXPECT_EQ(200, third->data()[0]);
    EXPECT_EQ(90, otherContext->data()[0]);
}
