// Pylon lists and wire files as hand editing, other platforms and broken copies leave them: short
// records, blank lines, megabyte lines, NUL bytes, Latin-1 names, CR LF line ends and a last line
// without line break. The power line is built from what can be read, with a warning for what cannot.

#include "BadBytes.h"

#include "content/powerline/PowerlineBuilder.h"
#include "content/powerline/WireTubeBuilder.h"

#include "NotifyCapture.h"
#include "ScratchTree.h"

#include <osg/Geode>
#include <osg/LOD>
#include <osg/MatrixTransform>
#include <osgText/Text>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

using kelvotest::NotifyCapture;
using kelvotest::ScratchTree;
using osgKELVO::PowerlineBuilder;

namespace {

const std::string List = "Content/Powerline/Koordinatlista_Stolpar_KelvoView.txt";
const std::string ListPath = PowerlineBuilder::PylonListPath;

osg::ref_ptr<osg::Geode> block(const std::string& name)
{
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    vertices->push_back(osg::Vec3(0, 0, 0));
    vertices->push_back(osg::Vec3(0, 0, -1));
    osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
    geometry->setName(name);
    geometry->setVertexArray(vertices);
    geometry->addPrimitiveSet(new osg::DrawArrays(GL_LINES, 0, 2));
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(geometry);
    return geode;
}

// A complete pylon record: number, block, position, no turn, no frame shift, no target.
std::string record(const std::string& number, const std::string& blockName, const std::string& x = "0",
                   const std::string& y = "0", const std::string& end = "\n")
{
    return number + "," + blockName + "," + x + "," + y + ",10,0,0,0,0,0,0,0,0,0" + end;
}

struct Pylon
{
    std::string name;
    osg::Vec3d position;
    unsigned blocks = 0;
    std::string blockName;
    std::string label;
};

class PowerlineBadInput : public ::testing::Test
{
protected:
    void SetUp() override
    {
        tree.installFont();
        for (const std::string name : {"Body", "M\xe4st"})
            ASSERT_TRUE(tree.writeNode("Content/Powerline/Building_blocks/" + name + ".ive", *block(name)));
    }

    // The pylons of the assembled line, in list order.
    std::vector<Pylon> pylons()
    {
        std::vector<Pylon> result;
        powerline = PowerlineBuilder(osg::Vec3d()).assemble();
        if (!powerline)
            return result;
        for (unsigned i = 0; i < powerline->getNumChildren(); ++i) {
            osg::LOD* lod = dynamic_cast<osg::LOD*>(powerline->getChild(i));
            if (!lod)
                continue;
            osg::MatrixTransform* pylon = dynamic_cast<osg::MatrixTransform*>(lod->getChild(0));
            if (!pylon)
                continue;
            Pylon p;
            p.name = pylon->getName();
            p.position = pylon->getMatrix().getTrans();
            osg::MatrixTransform* frame = dynamic_cast<osg::MatrixTransform*>(pylon->getChild(0));
            p.blocks = frame ? frame->getNumChildren() : 0;
            if (p.blocks) {
                osg::Group* placed = frame->getChild(0)->asGroup();
                osg::Geode* geode = placed && placed->getNumChildren() ? placed->getChild(0)->asGeode() : nullptr;
                if (geode && geode->getNumDrawables())
                    p.blockName = geode->getDrawable(0)->getName();
            }
            if (osgText::Text* text = labelOf(*pylon))
                p.label = text->getText().createUTF8EncodedString();
            result.push_back(p);
        }
        return result;
    }

    static osgText::Text* labelOf(osg::MatrixTransform& pylon)
    {
        osg::Group* label = pylon.getNumChildren() > 1 ? pylon.getChild(1)->asGroup() : nullptr;
        osg::Geode* billboard = label && label->getNumChildren() ? label->getChild(0)->asGeode() : nullptr;
        return billboard && billboard->getNumDrawables()
                   ? dynamic_cast<osgText::Text*>(billboard->getDrawable(0))
                   : nullptr;
    }

    // The wires of the assembled line: the axis points of each tube.
    std::vector<std::vector<osg::Vec3>> wires()
    {
        std::vector<std::vector<osg::Vec3>> result;
        powerline = PowerlineBuilder(osg::Vec3d(650000, 6400000, 0)).assemble();
        if (!powerline || !powerline->getNumChildren())
            return result;
        osg::Geode* geode = powerline->getChild(powerline->getNumChildren() - 1)->asGeode();
        for (unsigned i = 0; geode && i < geode->getNumDrawables(); ++i) {
            const osg::Geometry* wire = geode->getDrawable(i)->asGeometry();
            const osg::Vec3Array* v = dynamic_cast<const osg::Vec3Array*>(wire->getVertexArray());
            std::vector<osg::Vec3> points;
            for (unsigned j = 0; v && j < v->size(); j += 3)
                points.push_back((*v)[j] + osg::Vec3(0, 0, osgKELVO::WireTubeBuilder::Radius));
            result.push_back(points);
        }
        return result;
    }

    ScratchTree tree;
    osg::ref_ptr<osg::Group> powerline;
};

} // namespace

// Pylon list.

TEST_F(PowerlineBadInput, ShortRecordsReadTheirMissingFieldsAsZeroAndAreReported)
{
    tree.write(List, record("1", "Body", "100", "200") + "2,Body,300\n" + "3\n");
    NotifyCapture notes;
    const std::vector<Pylon> p = pylons();
    ASSERT_EQ(3u, p.size());
    EXPECT_EQ(osg::Vec3d(100, 200, 10), p[0].position);
    EXPECT_EQ(osg::Vec3d(300, 0, 0), p[1].position);
    EXPECT_EQ(1u, p[1].blocks);
    EXPECT_EQ("Pylon 3", p[2].name);
    EXPECT_EQ(0u, p[2].blocks) << "no block name, no block";
    EXPECT_TRUE(notes.has(osg::WARN, ListPath + " line 2 has 3 of 14 fields; the missing ones read as 0"))
        << notes.dump();
    EXPECT_TRUE(notes.has(osg::WARN, ListPath + " line 3 has 1 of 14 fields; the missing ones read as 0"));
    EXPECT_EQ(0u, notes.count(ListPath + " line 1 has 14 of 14 fields; the missing ones read as 0"));
}

// An empty line is no record: before, it made a pylon numbered 0 with an empty label at the
// geographic origin, far away from the line.
TEST_F(PowerlineBadInput, BlankLinesAreNoPylons)
{
    tree.write(List, "\n" + record("1", "Body") + "\n\r\n" + record("2", "Body", "50") + "\n\n");
    NotifyCapture notes;
    const std::vector<Pylon> p = pylons();
    ASSERT_EQ(2u, p.size()) << notes.dump();
    EXPECT_EQ("Pylon 1", p[0].name);
    EXPECT_EQ("Pylon 2", p[1].name);
    EXPECT_FALSE(notes.hasText("fields")) << "blank lines are not short records";
}

TEST_F(PowerlineBadInput, MegabyteLinesAreReadWhole)
{
    // A number with a million decimals, and a million-character last field.
    const std::string longNumber = "250." + std::string(1u << 20, '0');
    const std::string longTail = "0" + std::string(1u << 20, ' ');
    tree.write(List, record("1", "Body", longNumber, "7") + record("2", "Body", "1", "2", longTail + "\n"));
    const std::vector<Pylon> p = pylons();
    ASSERT_EQ(2u, p.size());
    EXPECT_EQ(osg::Vec3d(250, 7, 10), p[0].position);
    EXPECT_EQ(osg::Vec3d(1, 2, 10), p[1].position);
}

// A label a megabyte long is cut to a length a pylon label can have, and says so; it is not laid
// out glyph by glyph into a million-character billboard.
TEST_F(PowerlineBadInput, MegabyteLabelIsCutAndReported)
{
    const std::string longLabel = "7" + std::string(1u << 20, '7');
    tree.write(List, record(longLabel, "Body") + record("8", "Body", "50"));
    NotifyCapture notes;
    const std::vector<Pylon> p = pylons();
    ASSERT_EQ(2u, p.size());
    EXPECT_EQ(1u, p[0].blocks);
    EXPECT_EQ(osgKELVO::PowerlineBuilder::LongestLabel, p[0].label.size());
    EXPECT_EQ(longLabel.substr(0, p[0].label.size()), p[0].label);
    EXPECT_TRUE(notes.has(osg::WARN, ListPath + ": pylon label of 1048577 characters cut to " +
                                         std::to_string(osgKELVO::PowerlineBuilder::LongestLabel)))
        << notes.dump().substr(0, 2000);
    EXPECT_EQ("8", p[1].label);
}

// A NUL byte ends a C string: a block name holding one must not open the file named by the part
// before it.
TEST_F(PowerlineBadInput, NulBytesNameNoBlockFile)
{
    // Read as a C string, the path of block "Body.ive\0x" would be that of block "Body".
    tree.write(List, record("1", std::string("Body.ive\0x", 10)) + record(std::string("2\0", 2), "Body", "50"));
    const std::vector<Pylon> p = pylons();
    ASSERT_EQ(2u, p.size());
    EXPECT_EQ(0u, p[0].blocks) << "block Body must not stand in for block Body.ive\\0x";
    EXPECT_EQ(1u, p[1].blocks);
    EXPECT_EQ(std::string("Pylon 2\0", 8), p[1].name) << "the field as written";
}

// Names are bytes: a Latin-1 block name finds the block file of that name, and a Latin-1 label
// shows its letters.
TEST_F(PowerlineBadInput, Latin1NamesAreKeptAsTheyAre)
{
    tree.write(List, record("1", "M\xe4st") + record("2\xe5", "Body", "50"));
    const std::vector<Pylon> p = pylons();
    ASSERT_EQ(2u, p.size());
    EXPECT_EQ(1u, p[0].blocks);
    EXPECT_EQ("M\xe4st", p[0].blockName);
    EXPECT_EQ("2\xc3\xa5", p[1].label) << "the byte 0xE5 is the letter a with ring";
}

TEST_F(PowerlineBadInput, CarriageReturnLineFeedReadsLikeLineFeed)
{
    tree.write(List, record("1", "Body", "100", "200", "\r\n") + "2,Body\r\n" + record("3", "Body", "5", "6", "\r\n"));
    NotifyCapture notes;
    const std::vector<Pylon> p = pylons();
    ASSERT_EQ(3u, p.size());
    EXPECT_EQ(osg::Vec3d(100, 200, 10), p[0].position);
    EXPECT_EQ(1u, p[1].blocks) << "the block name is \"Body\", not \"Body\\r\"";
    EXPECT_EQ(osg::Vec3d(5, 6, 10), p[2].position);
    EXPECT_TRUE(notes.has(osg::WARN, ListPath + " line 2 has 2 of 14 fields; the missing ones read as 0"));
}

TEST_F(PowerlineBadInput, LastLineWithoutLineBreakIsNotReadAndIsReported)
{
    tree.write(List, record("1", "Body") + record("2", "Body", "50", "0", ""));
    NotifyCapture notes;
    const std::vector<Pylon> p = pylons();
    ASSERT_EQ(1u, p.size());
    EXPECT_EQ("Pylon 1", p[0].name);
    EXPECT_TRUE(notes.has(osg::WARN, ListPath + " line 2 has no line break and is not read")) << notes.dump();
}

TEST_F(PowerlineBadInput, GarbageListBuildsWithoutFailing)
{
    tree.write(List, badinput::garbage(256 * 1024, 5));
    const auto begin = std::chrono::steady_clock::now();
    pylons();
    ASSERT_TRUE(powerline);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count(), 60.0);
    EXPECT_TRUE(PowerlineBuilder(osg::Vec3d()).build()) << "the optimiser takes it too";
}

// Wire files.

TEST_F(PowerlineBadInput, WireWithShortLinesAndBlankLines)
{
    tree.write(List, record("1", "Body"));
    const std::string wire = "Content/Powerline/Lft_1.txt";
    tree.write(wire, "\n6400000,650000,12\n\n6400010\n6400020,650030,16\r\n\r\n");
    NotifyCapture notes;
    const std::vector<std::vector<osg::Vec3>> w = wires();
    ASSERT_EQ(1u, w.size());
    ASSERT_EQ(3u, w[0].size()) << "blank lines are no points at the geographic origin";
    EXPECT_EQ(osg::Vec3(0, 0, 12), w[0][0]);
    EXPECT_EQ(osg::Vec3(-650000, 10, 0), w[0][1]);
    EXPECT_EQ(osg::Vec3(30, 20, 16), w[0][2]);
    const std::string path = std::string(PowerlineBuilder::PowerlineDirectory) + "/Lft_1.txt";
    EXPECT_TRUE(notes.has(osg::WARN, path + " line 4 has 1 of 3 fields; the missing ones read as 0"))
        << notes.dump();
}

TEST_F(PowerlineBadInput, WireWithMegabyteLineNulBytesAndNoFinalLineBreak)
{
    tree.write(List, record("1", "Body"));
    const std::string wire = "Content/Powerline/Lft_2.txt";
    tree.write(wire, "6400000." + std::string(1u << 20, '0') + ",650000,12\n" +
                         std::string("6400000,650\0" "999,14\n", 19) + "6400000,650200,16");
    NotifyCapture notes;
    const std::vector<std::vector<osg::Vec3>> w = wires();
    ASSERT_EQ(1u, w.size());
    ASSERT_EQ(2u, w[0].size());
    EXPECT_EQ(osg::Vec3(0, 0, 12), w[0][0]);
    EXPECT_EQ(osg::Vec3(-649350, 0, 14), w[0][1]) << "the number ends at the NUL byte";
    const std::string path = std::string(PowerlineBuilder::PowerlineDirectory) + "/Lft_2.txt";
    EXPECT_TRUE(notes.has(osg::WARN, path + " line 3 has no line break and is not read")) << notes.dump();
}

TEST_F(PowerlineBadInput, WireFileWithLatin1NameAndCarriageReturnsIsRead)
{
    tree.write(List, record("1", "Body"));
    tree.write("Content/Powerline/Lft_\xe5ngby.txt", "6400000,650000,12\r\n6400000,650100,13\r\n");
    const std::vector<std::vector<osg::Vec3>> w = wires();
    ASSERT_EQ(1u, w.size());
    ASSERT_EQ(2u, w[0].size());
    EXPECT_EQ(osg::Vec3(100, 0, 13), w[0][1]);
}

TEST_F(PowerlineBadInput, GarbageWireBuildsWithoutFailing)
{
    tree.write(List, record("1", "Body"));
    tree.write("Content/Powerline/Lft_junk.bin", badinput::garbage(256 * 1024, 9));
    tree.write("Content/Powerline/Lft_good.txt", "6400000,650000,12\n6400000,650100,13\n");
    EXPECT_EQ(2u, wires().size());
    EXPECT_TRUE(PowerlineBuilder(osg::Vec3d(650000, 6400000, 0)).build());
}
