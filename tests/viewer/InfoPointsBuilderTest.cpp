// Information points built from label files in a scratch runtime tree: the labels, one billboard
// per file, the written cache and what a later run makes of it, and the messages.

#include "content/infopoints/InfoPointsBuilder.h"

#include "NotifyCapture.h"
#include "RuntimeTree.h"
#include "ScratchTree.h"

#include <osg/Billboard>
#include <osg/Geode>
#include <osg/Group>
#include <osg/LOD>
#include <osgDB/FileUtils>
#include <osgDB/Registry>
#include <osgText/Text>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using kelvotest::NotifyCapture;
using kelvotest::RuntimeTree;
using kelvotest::ScratchTree;
using osgKELVO::InfoPointsBuilder;

namespace {

const std::string Directory = "Content/InfoPoints/";

class InfoPointsBuilderTest : public ::testing::Test
{
protected:
    void SetUp() override { tree.installFont(); }

    osg::ref_ptr<osg::Group> build()
    {
        osg::ref_ptr<osg::Node> node = InfoPointsBuilder().build();
        return node ? node->asGroup() : nullptr;
    }

    static osg::Billboard* billboardOf(osg::Group& group, unsigned i)
    {
        osg::LOD* lod = dynamic_cast<osg::LOD*>(group.getChild(i));
        return lod && lod->getNumChildren() == 1 ? dynamic_cast<osg::Billboard*>(lod->getChild(0)) : nullptr;
    }

    static osgText::Text* textOf(osg::Billboard& billboard, unsigned i)
    {
        return dynamic_cast<osgText::Text*>(billboard.getDrawable(i));
    }

    ScratchTree tree;
};

// A label floats above its point, the higher the larger it is, and its letters grow with its size.
TEST_F(InfoPointsBuilderTest, LabelFloatsAboveItsPointScaledByItsSize)
{
    tree.write(Directory + "places.csv", "Kyrkan,10,100.5,200.25,30.75\nTorget,20,100.5,200.25,30.75\n");
    osg::ref_ptr<osg::Group> points = build();
    ASSERT_TRUE(points);
    ASSERT_EQ(1u, points->getNumChildren());
    osg::Billboard* billboard = billboardOf(*points, 0);
    ASSERT_TRUE(billboard);
    ASSERT_EQ(2u, billboard->getNumDrawables());
    osgText::Text* small = textOf(*billboard, 0);
    osgText::Text* large = textOf(*billboard, 1);
    ASSERT_TRUE(small && large && small->getFont());
    EXPECT_EQ("Kyrkan", small->getText().createUTF8EncodedString());
    EXPECT_FLOAT_EQ(2 * small->getCharacterHeight(), large->getCharacterHeight());
    const osg::Vec3 low = billboard->getPosition(0), high = billboard->getPosition(1);
    EXPECT_EQ(osg::Vec2(100.5f, 200.25f), osg::Vec2(low.x(), low.y()));
    EXPECT_GT(low.z(), 30.75f);
    EXPECT_FLOAT_EQ(2 * (low.z() - 30.75f), high.z() - 30.75f);
}

TEST_F(InfoPointsBuilderTest, EveryLabelFileGetsItsOwnBillboardUnderAnLOD)
{
    tree.write(Directory + "a.csv", "Norrby,10,0,0,0\nKvarnen,5,50,0,0\n");
    tree.write(Directory + "b.csv", "Fyren,3,500,500,2\n");
    tree.write(Directory + "points.CSV", "Ignored,3,0,0,0\n");
    tree.write(Directory + "notes.txt", "Ignored,3,0,0,0\n");
    osg::ref_ptr<osg::Group> points = build();
    ASSERT_TRUE(points);
    ASSERT_EQ(2u, points->getNumChildren()) << "only the two files ending exactly in .csv";
    unsigned labels = 0;
    for (unsigned i = 0; i < 2; ++i) {
        osg::LOD* lod = dynamic_cast<osg::LOD*>(points->getChild(i));
        ASSERT_TRUE(lod);
        osg::Billboard* billboard = billboardOf(*points, i);
        ASSERT_TRUE(billboard);
        labels += billboard->getNumDrawables();
        for (unsigned k = 0; k < billboard->getNumDrawables(); ++k)
            EXPECT_NE("Ignored", textOf(*billboard, k)->getText().createUTF8EncodedString());
    }
    EXPECT_EQ(3u, labels);
    EXPECT_NE(billboardOf(*points, 0), billboardOf(*points, 1));
}

TEST_F(InfoPointsBuilderTest, BuiltLabelsAreCachedAndALaterRunReadsNoLabelFile)
{
    tree.write(Directory + "places.csv", "Kyrkan,10,100.5,200.25,30.75\n");
    osg::ref_ptr<osg::Group> first = build();
    ASSERT_TRUE(first && billboardOf(*first, 0));
    ASSERT_TRUE(osgDB::fileExists(tree.path(Directory + "InfoPoints.ive")));

    // Change the label file: a run that read it would show the new text.
    tree.write(Directory + "places.csv", "Changed,2,0,0,0\nMore,2,0,0,0\n");
    osgDB::Registry::instance()->clearObjectCache();
    osg::ref_ptr<osg::Group> again = build();
    ASSERT_TRUE(again);
    ASSERT_EQ(1u, again->getNumChildren());
    osg::Billboard* billboard = billboardOf(*again, 0);
    ASSERT_TRUE(billboard);
    ASSERT_EQ(1u, billboard->getNumDrawables());
    osgText::Text* text = textOf(*billboard, 0);
    ASSERT_TRUE(text);
    EXPECT_EQ("Kyrkan", text->getText().createUTF8EncodedString());
    EXPECT_FLOAT_EQ(textOf(*billboardOf(*first, 0), 0)->getCharacterHeight(), text->getCharacterHeight());
    EXPECT_EQ(billboardOf(*first, 0)->getPosition(0), billboard->getPosition(0));
}

TEST_F(InfoPointsBuilderTest, TheLibrarysConverterReadsTheWrittenCache)
{
    tree.write(Directory + "places.csv", "Kyrkan,10,100.5,200.25,30.75\n");
    ASSERT_TRUE(build());
    const std::string converted = tree.path("converted.osgt");
    const std::string command = "osgconv " + tree.path(Directory + "InfoPoints.ive") + " " + converted +
                                " > " + tree.path("osgconv.log") + " 2>&1";
    ASSERT_EQ(0, std::system(command.c_str())) << RuntimeTree::readFile(tree.path("osgconv.log"));
    const std::string text = RuntimeTree::readFile(converted);
    EXPECT_NE(std::string::npos, text.find("osg::Billboard"));
    EXPECT_NE(std::string::npos, text.find("osgText::Text"));
    EXPECT_NE(std::string::npos, text.find("osg::LOD"));
}

TEST_F(InfoPointsBuilderTest, CachedFileThatIsNoGroupGivesNothing)
{
    tree.write(Directory + "places.csv", "Kyrkan,10,100.5,200.25,30.75\n");
    osg::ref_ptr<osg::Node> leaf = new osg::Node;
    ASSERT_TRUE(tree.writeNode(Directory + "InfoPoints.ive", *leaf));
    EXPECT_FALSE(InfoPointsBuilder().build());
}

TEST_F(InfoPointsBuilderTest, DirectoryWithoutLabelFilesGivesAnEmptyGroupThatIsCachedToo)
{
    tree.write(Directory + "readme.txt", "nothing here\n");
    osg::ref_ptr<osg::Group> points = build();
    ASSERT_TRUE(points);
    EXPECT_EQ(0u, points->getNumChildren());
    EXPECT_TRUE(osgDB::fileExists(tree.path(Directory + "InfoPoints.ive")));
}

TEST_F(InfoPointsBuilderTest, NoDirectoryAndNoCacheIsReported)
{
    NotifyCapture notices;
    EXPECT_FALSE(InfoPointsBuilder().build());
    EXPECT_TRUE(notices.has(osg::WARN, "No InfoPoints found"));
}

TEST_F(InfoPointsBuilderTest, UnopenableLabelFileIsReportedAndSkipped)
{
    tree.write(Directory + "good.csv", "Kyrkan,10,0,0,0\n");
    std::filesystem::create_symlink(tree.path(Directory + "nowhere"), tree.path(Directory + "gone.csv"));
    NotifyCapture notices;
    osg::ref_ptr<osg::Group> points = build();
    ASSERT_TRUE(points);
    EXPECT_TRUE(notices.has(osg::WARN, "Could not open gone.csv"));
    EXPECT_EQ(1u, points->getNumChildren());
}

TEST_F(InfoPointsBuilderTest, MissingFontMeansNoInformationPointsAndNoMessage)
{
    tree.remove("Resources/Fonts");
    tree.write(Directory + "good.csv", "Kyrkan,10,0,0,0\n");
    NotifyCapture notices;
    EXPECT_FALSE(InfoPointsBuilder().build());
    for (const auto& line : notices.lines())
        EXPECT_GT(line.first, osg::WARN) << line.second;
    EXPECT_FALSE(osgDB::fileExists(tree.path(Directory + "InfoPoints.ive")));
}

} // namespace
