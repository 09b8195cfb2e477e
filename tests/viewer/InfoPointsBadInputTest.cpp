// Label files as hand editing, other platforms and broken copies leave them. The labels that can be
// read are shown, with a warning for the lines that cannot.

#include "BadBytes.h"

#include "content/infopoints/InfoPointLabelFactory.h"
#include "content/infopoints/InfoPointsBuilder.h"

#include "NotifyCapture.h"
#include "ScratchTree.h"

#include <osg/Billboard>
#include <osg/LOD>
#include <osgText/Text>

#include <gtest/gtest.h>

#include <string>

using kelvotest::NotifyCapture;
using kelvotest::ScratchTree;
using osgKELVO::InfoPointsBuilder;

namespace {

const std::string Directory = "Content/InfoPoints/";

struct Label
{
    std::string text;
    osg::Vec3 position;
    float size = 0.0f;
};

class InfoPointsBadInput : public ::testing::Test
{
protected:
    void SetUp() override { tree.installFont(); }

    // The labels of every billboard, in order.
    std::vector<Label> labels()
    {
        std::vector<Label> result;
        osg::ref_ptr<osg::Node> node = InfoPointsBuilder().build();
        built = node ? node->asGroup() : nullptr;
        for (unsigned i = 0; built && i < built->getNumChildren(); ++i) {
            osg::LOD* lod = dynamic_cast<osg::LOD*>(built->getChild(i));
            osg::Billboard* billboard = lod ? dynamic_cast<osg::Billboard*>(lod->getChild(0)) : nullptr;
            for (unsigned j = 0; billboard && j < billboard->getNumDrawables(); ++j) {
                const osgText::Text* text = dynamic_cast<const osgText::Text*>(billboard->getDrawable(j));
                Label label;
                label.text = text ? text->getText().createUTF8EncodedString() : "?";
                label.position = billboard->getPosition(j);
                label.size = text ? text->getCharacterHeight() : 0.0f;
                result.push_back(label);
            }
        }
        return result;
    }

    std::string path(const std::string& name) const { return InfoPointsBuilder::Directory + name; }

    ScratchTree tree;
    osg::ref_ptr<osg::Group> built;
};

} // namespace

TEST_F(InfoPointsBadInput, ShortLinesReadTheirMissingFieldsAsZeroAndAreReported)
{
    tree.write(Directory + "places.csv", "Kyrkan,10,1,2,3\nTorget,5\nHamnen\n");
    NotifyCapture notes;
    const std::vector<Label> l = labels();
    ASSERT_EQ(3u, l.size());
    EXPECT_EQ("Torget", l[1].text);
    EXPECT_EQ(osg::Vec3(0, 0, 20), l[1].position);
    EXPECT_EQ("Hamnen", l[2].text);
    EXPECT_EQ(0.0f, l[2].size);
    EXPECT_TRUE(notes.has(osg::WARN, path("places.csv") + " line 2 has 2 of 5 fields; the missing ones read as 0"))
        << notes.dump();
    EXPECT_TRUE(notes.has(osg::WARN, path("places.csv") + " line 3 has 1 of 5 fields; the missing ones read as 0"));
}

// Before, each blank line became an empty label at the scene origin.
TEST_F(InfoPointsBadInput, BlankLinesAreNoLabels)
{
    tree.write(Directory + "places.csv", "\nKyrkan,10,1,2,3\n\n\r\nTorget,5,4,5,6\n\n");
    const std::vector<Label> l = labels();
    ASSERT_EQ(2u, l.size());
    EXPECT_EQ("Kyrkan", l[0].text);
    EXPECT_EQ("Torget", l[1].text);
}

TEST_F(InfoPointsBadInput, MegabyteLabelIsCutAndReported)
{
    const std::string longText(1u << 20, 'x');
    tree.write(Directory + "places.csv", longText + ",10,1,2,3\nTorget,5,4,5,6\n");
    NotifyCapture notes;
    const std::vector<Label> l = labels();
    ASSERT_EQ(2u, l.size());
    EXPECT_EQ(std::string(osgKELVO::InfoPointLabelFactory::LongestText, 'x'), l[0].text);
    EXPECT_EQ(osg::Vec3(1, 2, 43), l[0].position) << "the rest of the line still counts";
    EXPECT_TRUE(notes.has(osg::WARN, path("places.csv") + ": label of 1048576 characters cut to " +
                                         std::to_string(osgKELVO::InfoPointLabelFactory::LongestText)))
        << notes.dump().substr(0, 2000);
    EXPECT_EQ("Torget", l[1].text);
}

// Numbers are read as leniently as the C library does: what follows a number is ignored.
TEST_F(InfoPointsBadInput, MegabyteNumberIsReadWhole)
{
    tree.write(Directory + "places.csv", "Kyrkan,10m,1." + std::string(1u << 20, '0') + "x,2,3\n");
    const std::vector<Label> l = labels();
    ASSERT_EQ(1u, l.size());
    EXPECT_EQ(osg::Vec3(1, 2, 43), l[0].position);
}

TEST_F(InfoPointsBadInput, NulBytesStayInTheTextAndEndTheNumbers)
{
    tree.write(Directory + "places.csv", std::string("Kyr\0kan,1\0" "0,1,2,3\n", 18));
    const std::vector<Label> l = labels();
    ASSERT_EQ(1u, l.size());
    EXPECT_EQ(std::string("Kyr\0kan", 7), l[0].text);
    EXPECT_EQ(3.0f, l[0].size) << "the size ends at the NUL byte: 1";
    // The cache is written and read back with the byte in it.
    const std::vector<Label> again = labels();
    ASSERT_EQ(1u, again.size());
    EXPECT_EQ(std::string("Kyr\0kan", 7), again[0].text);
}

TEST_F(InfoPointsBadInput, Latin1TextAndFileNamesAreKept)
{
    tree.write(Directory + "pl\xe5tser.csv", "K\xe5rsta,10,1,2,3\n");
    const std::vector<Label> l = labels();
    ASSERT_EQ(1u, l.size());
    EXPECT_EQ("K\xc3\xa5rsta", l[0].text) << "the byte 0xE5 is the letter a with ring";
}

TEST_F(InfoPointsBadInput, CarriageReturnLineFeedReadsLikeLineFeed)
{
    tree.write(Directory + "places.csv", "Kyrkan,10,1,2,3\r\nHamnen\r\n");
    const std::vector<Label> l = labels();
    ASSERT_EQ(2u, l.size());
    EXPECT_EQ(osg::Vec3(1, 2, 43), l[0].position);
    EXPECT_EQ("Hamnen", l[1].text) << "no carriage return in the text";
}

TEST_F(InfoPointsBadInput, LastLineWithoutLineBreakIsNotReadAndIsReported)
{
    tree.write(Directory + "places.csv", "Kyrkan,10,1,2,3\nTorget,5,4,5,6");
    NotifyCapture notes;
    const std::vector<Label> l = labels();
    ASSERT_EQ(1u, l.size());
    EXPECT_EQ("Kyrkan", l[0].text);
    EXPECT_TRUE(notes.has(osg::WARN, path("places.csv") + " line 2 has no line break and is not read"))
        << notes.dump();
}

TEST_F(InfoPointsBadInput, GarbageFileGivesLabelsWithoutFailingAndTheOtherFilesStillCount)
{
    tree.write(Directory + "junk.csv", badinput::garbage(128 * 1024, 11));
    tree.write(Directory + "places.csv", "Kyrkan,10,1,2,3\n");
    labels();
    ASSERT_TRUE(built);
    EXPECT_EQ(2u, built->getNumChildren()) << "one billboard per file";
}

// A cache file that is no scene file is not taken for one: the labels are built again.
TEST_F(InfoPointsBadInput, BrokenCacheFileIsRebuiltFromTheLabelFiles)
{
    tree.write(Directory + "places.csv", "Kyrkan,10,1,2,3\n");
    tree.write(Directory + InfoPointsBuilder::CacheFile, badinput::garbage(4096, 13));
    const std::vector<Label> l = labels();
    ASSERT_EQ(1u, l.size());
    EXPECT_EQ("Kyrkan", l[0].text);
}
