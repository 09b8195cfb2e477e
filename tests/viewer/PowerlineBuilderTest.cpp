// The power line as the builder assembles it from a pylon list, building blocks and wire files in
// a scratch runtime tree: pylons and their blocks where the list puts them, labels, wires, LODs
// and the messages for missing data.

#include "content/powerline/PowerlineBuilder.h"
#include "content/powerline/PylonMatrices.h"
#include "content/powerline/WireTubeBuilder.h"

#include "NotifyCapture.h"
#include "ScratchTree.h"
#include "WorldVertices.h"

#include <osg/Billboard>
#include <osg/Geode>
#include <osg/LOD>
#include <osg/MatrixTransform>
#include <osgText/Text>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using kelvotest::NotifyCapture;
using kelvotest::ScratchTree;
using kelvotest::WorldVertices;
using osgKELVO::PowerlineBuilder;

namespace {

const char* const List = "Content/Powerline/Koordinatlista_Stolpar_KelvoView.txt";

// A block whose geometry (named after the block) marks its origin, its -z unit point and its x and
// y unit points, so that the world positions of these four show how the block was placed.
osg::ref_ptr<osg::Geode> markerBlock(const std::string& name)
{
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    vertices->push_back(osg::Vec3(0, 0, 0));
    vertices->push_back(osg::Vec3(0, 0, -1));
    vertices->push_back(osg::Vec3(1, 0, 0));
    vertices->push_back(osg::Vec3(0, 1, 0));
    osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
    geometry->setName(name);
    geometry->setVertexArray(vertices);
    geometry->addPrimitiveSet(new osg::DrawArrays(GL_LINES, 0, 4));
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(geometry);
    return geode;
}

void expectNear(const osg::Vec3d& expected, const osg::Vec3d& actual, const std::string& what)
{
    EXPECT_NEAR(expected.x(), actual.x(), 1e-4) << what;
    EXPECT_NEAR(expected.y(), actual.y(), 1e-4) << what;
    EXPECT_NEAR(expected.z(), actual.z(), 1e-4) << what;
}

class PowerlineBuilderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        tree.installFont();
        for (const char* name : {"Body", "Arm", "Insulator"})
            ASSERT_TRUE(tree.writeNode(std::string("Content/Powerline/Building_blocks/") + name + ".ive",
                                       *markerBlock(name)));
    }

    osg::ref_ptr<osg::Group> assemble(const osg::Vec3d& offset = osg::Vec3d())
    {
        return PowerlineBuilder(offset).assemble();
    }

    static std::vector<osg::LOD*> lods(osg::Group& group)
    {
        std::vector<osg::LOD*> result;
        for (unsigned i = 0; i < group.getNumChildren(); ++i)
            if (osg::LOD* lod = dynamic_cast<osg::LOD*>(group.getChild(i)))
                result.push_back(lod);
        return result;
    }

    static osg::MatrixTransform* pylonOf(osg::LOD* lod)
    {
        return lod && lod->getNumChildren() == 1 ? dynamic_cast<osg::MatrixTransform*>(lod->getChild(0)) : nullptr;
    }

    // The block frame is the pylon's first child; each child of it holds one block.
    static osg::MatrixTransform* blockFrameOf(osg::MatrixTransform* pylon)
    {
        return pylon ? dynamic_cast<osg::MatrixTransform*>(pylon->getChild(0)) : nullptr;
    }

    static osg::Geode* wiresOf(osg::Group& group)
    {
        return group.getNumChildren() ? dynamic_cast<osg::Geode*>(group.getChild(group.getNumChildren() - 1)) : nullptr;
    }

    ScratchTree tree;
};

TEST_F(PowerlineBuilderTest, RecordsWithTheSameNumberFormOnePylon)
{
    tree.write(List,
               "5,Body,100,200,10,0,0,0,0,0,0,0,0,0\n"
               "5,Arm,0,0,20,0,0,0,0,0,0,0,0,0\n"
               "5,Insulator,5,0,20,0,0,0,0,0,0,5,0,18\n"
               "6,Body,400,200,12,0,0,0,0,0,0,0,0,0\n");
    osg::ref_ptr<osg::Group> powerline = assemble();
    ASSERT_TRUE(powerline);
    const auto pylons = lods(*powerline);
    ASSERT_EQ(2u, pylons.size());
    osg::MatrixTransform* five = pylonOf(pylons[0]);
    osg::MatrixTransform* six = pylonOf(pylons[1]);
    ASSERT_TRUE(five && six);
    EXPECT_EQ("Pylon 5", five->getName());
    EXPECT_EQ("Pylon 6", six->getName());
    ASSERT_TRUE(blockFrameOf(five) && blockFrameOf(six));
    EXPECT_EQ(3u, blockFrameOf(five)->getNumChildren());
    EXPECT_EQ(1u, blockFrameOf(six)->getNumChildren());
    // The wire geode follows the pylons even when there are no wires.
    ASSERT_TRUE(wiresOf(*powerline));
    EXPECT_EQ(0u, wiresOf(*powerline)->getNumDrawables());
}

// The optimizer may merge the pylons' LODs, but never changes what is visible at which distance.
TEST_F(PowerlineBuilderTest, OptimizingKeepsTheRangeEveryPylonIsVisibleIn)
{
    tree.write(List, "1,Body,0,0,0,0,0,0,0,0,0,0,0,0\n2,Body,300,0,0,0,0,0,0,0,0,0,0,0\n");
    osg::ref_ptr<osg::Group> powerline = assemble();
    ASSERT_TRUE(powerline);
    const auto assembled = lods(*powerline);
    ASSERT_EQ(2u, assembled.size());
    ASSERT_EQ(1u, assembled[0]->getNumChildren());
    EXPECT_GT(assembled[0]->getMaxRange(0), 10000.0f) << "seen from far off";

    osg::ref_ptr<osg::Node> optimized = PowerlineBuilder(osg::Vec3d()).build();
    ASSERT_TRUE(optimized && optimized->asGroup());
    unsigned ranged = 0;
    for (osg::LOD* lod : lods(*optimized->asGroup()))
        for (unsigned i = 0; i < lod->getNumChildren(); ++i, ++ranged) {
            EXPECT_EQ(assembled[0]->getMinRange(0), lod->getMinRange(i));
            EXPECT_EQ(assembled[0]->getMaxRange(0), lod->getMaxRange(i));
        }
    EXPECT_EQ(2u, ranged);
}

TEST_F(PowerlineBuilderTest, MainRecordPlacesThePylonShiftedByTheOffsetAndTurnedClockwise)
{
    // 100 gon in field 6 is a quarter turn clockwise seen from above: the block's x axis points
    // to -y. The frame translation (fields 9 to 11) lifts every block of the pylon; the target of a
    // main record (fields 12 to 14) is not used.
    tree.write(List, "8,Body,650100,6400200,15,100,0,0,0,0,-2,3,4,5\n");
    osg::ref_ptr<osg::Group> powerline = assemble(osg::Vec3d(650000, 6400000, 5));
    ASSERT_TRUE(powerline);
    WorldVertices vertices;
    powerline->accept(vertices);
    const auto body = vertices.named("Body");
    ASSERT_EQ(4u, body.size());
    expectNear(osg::Vec3d(100, 200, 8), body[0], "origin");
    expectNear(osg::Vec3d(100, 200, 7), body[1], "-z unit");
    expectNear(osg::Vec3d(100, 199, 8), body[2], "x unit");
    expectNear(osg::Vec3d(101, 200, 8), body[3], "y unit");
}

TEST_F(PowerlineBuilderTest, TiltsTurnAboutYThenXThenZ)
{
    // 100 gon about y (field 8) carries x up to +z, 100 gon about x (field 7) then carries it on
    // to +y, and the heading (field 6) turns last. Checked against the library's rotations.
    tree.write(List, "1,Body,10,20,30,50,100,100,0,0,0,0,0,0\n");
    osg::ref_ptr<osg::Group> powerline = assemble();
    ASSERT_TRUE(powerline);
    WorldVertices vertices;
    powerline->accept(vertices);
    const auto body = vertices.named("Body");
    ASSERT_EQ(4u, body.size());
    const osg::Vec3d x(1, 0, 0);
    const osg::Vec3d turnedY = osg::Quat(-osg::PI_2, osg::Vec3d(0, 1, 0)) * x;
    EXPECT_NEAR(1.0, turnedY.z(), 1e-12) << "clockwise about y carries x up";
    const osg::Vec3d turnedX = osg::Quat(-osg::PI_2, osg::Vec3d(1, 0, 0)) * turnedY;
    const osg::Vec3d turnedZ = osg::Quat(-osg::PI_4, osg::Vec3d(0, 0, 1)) * turnedX;
    expectNear(osg::Vec3d(10, 20, 30) + turnedZ, body[2], "x unit");
}

TEST_F(PowerlineBuilderTest, FollowingRecordWithoutTargetIsPlacedByItsOwnPositionAndAngles)
{
    // The following record's fields 9 to 11 are not used: its block stays in the main record's
    // block frame, and its position is not shifted by the offset.
    tree.write(List,
               "3,Body,1000,2000,10,0,0,0,0,0,1,0,0,0\n"
               "3,Arm,0,0,20,200,0,0,50,60,70,0,0,0\n");
    osg::ref_ptr<osg::Group> powerline = assemble(osg::Vec3d(900, 1900, 0));
    ASSERT_TRUE(powerline);
    WorldVertices vertices;
    powerline->accept(vertices);
    const auto arm = vertices.named("Arm");
    ASSERT_EQ(4u, arm.size());
    expectNear(osg::Vec3d(100, 100, 31), arm[0], "origin");
    expectNear(osg::Vec3d(99, 100, 31), arm[2], "x unit turned half round");
    expectNear(osg::Vec3d(100, 99, 31), arm[3], "y unit turned half round");
}

TEST_F(PowerlineBuilderTest, TargetStretchesTheBlockExactlyFromItsPointToTheTarget)
{
    tree.write(List,
               "4,Body,100,50,0,100,0,0,0,0,2,0,0,0\n"
               "4,Insulator,5,0,20,0,0,0,0,0,0,5,0,18.25\n"
               "4,Insulator,-5,0,20,0,0,0,0,0,0,-6,1.5,17\n");
    osg::ref_ptr<osg::Group> powerline = assemble();
    ASSERT_TRUE(powerline);
    WorldVertices vertices;
    powerline->accept(vertices);
    const auto insulators = vertices.named("Insulator");
    ASSERT_EQ(8u, insulators.size());

    // Into the scene: the block frame lifts by 2, the pylon turns a quarter clockwise (x to -y, y to
    // x) and stands at (100, 50, 0).
    const osg::Vec3d p0(100, 45, 22), t0(100, 45, 20.25), p1(100, 55, 22), t1(101.5, 56, 19);
    expectNear(p0, insulators[0], "hanging string, top");
    expectNear(t0, insulators[1], "hanging string, bottom");
    expectNear(p1, insulators[4], "slanted string, top");
    expectNear(t1, insulators[5], "slanted string, bottom");
    // Only the length is stretched: the cross-section keeps its size.
    EXPECT_NEAR(1.0, (insulators[2] - insulators[0]).length(), 1e-9);
    EXPECT_NEAR(1.0, (insulators[6] - insulators[4]).length(), 1e-9);
    EXPECT_NEAR(0.0, (insulators[2] - insulators[0]) * (insulators[1] - insulators[0]), 1e-9);
}

TEST_F(PowerlineBuilderTest, OptimizedLineKeepsEveryBlockWhereItWasAssembled)
{
    tree.write(List,
               "1,Body,0,0,0,0,0,0,0,0,0,0,0,0\n"
               "1,Insulator,5,0,20,0,0,0,0,0,0,5,0,18\n"
               "2,Body,300,10,5,30,0,0,0,0,0,0,0,0\n"
               "2,Insulator,5,0,20,0,0,0,0,0,0,5,0,18\n");
    tree.write("Content/Powerline/Lft_1.txt", "0,0,10\n10,300,12\n");
    osg::ref_ptr<osg::Group> assembled = assemble();
    osg::ref_ptr<osg::Node> optimized = PowerlineBuilder(osg::Vec3d()).build();
    ASSERT_TRUE(assembled && optimized);
    WorldVertices before, after;
    assembled->accept(before);
    optimized->accept(after);
    for (const char* name : {"Body", "Insulator"}) {
        const auto a = before.named(name), b = after.named(name);
        ASSERT_EQ(a.size(), b.size()) << name;
        for (std::size_t i = 0; i < a.size(); ++i)
            expectNear(a[i], b[i], name);
    }
}

TEST_F(PowerlineBuilderTest, RecordsSharingABlockShareOneLoadedModel)
{
    tree.write(List, "1,Body,0,0,0,0,0,0,0,0,0,0,0,0\n2,Body,300,0,0,0,0,0,0,0,0,0,0,0\n");
    osg::ref_ptr<osg::Group> powerline = assemble();
    ASSERT_TRUE(powerline);
    const auto pylons = lods(*powerline);
    ASSERT_EQ(2u, pylons.size());
    auto blockOf = [&](osg::LOD* lod) {
        osg::Group* placed = blockFrameOf(pylonOf(lod))->getChild(0)->asGroup();
        return placed->getChild(0);
    };
    EXPECT_EQ(blockOf(pylons[0]), blockOf(pylons[1])) << "the second record must not read the file again";
}

TEST_F(PowerlineBuilderTest, MissingBlockLeavesThePylonAndItsLabel)
{
    tree.write(List, "9,Nonexistent,0,0,0,0,0,0,0,0,0,0,0,0\n9,Arm,0,0,20,0,0,0,0,0,0,0,0,0\n");
    NotifyCapture notices;
    osg::ref_ptr<osg::Group> powerline = assemble();
    ASSERT_TRUE(powerline);
    const auto pylons = lods(*powerline);
    ASSERT_EQ(1u, pylons.size());
    osg::MatrixTransform* pylon = pylonOf(pylons[0]);
    ASSERT_TRUE(pylon);
    EXPECT_EQ(2u, pylon->getNumChildren()) << "block frame and label";
    EXPECT_EQ(1u, blockFrameOf(pylon)->getNumChildren());
    for (const auto& line : notices.lines())
        EXPECT_GT(line.first, osg::WARN) << line.second;
}

TEST_F(PowerlineBuilderTest, FirstRecordNumberedZeroStartsAPylon)
{
    tree.write(List,
               "0,Body,10,0,0,0,0,0,0,0,0,0,0,0\n"
               "0,Arm,0,0,20,0,0,0,0,0,0,0,0,0\n"
               "1,Body,300,0,0,0,0,0,0,0,0,0,0,0\n");
    osg::ref_ptr<osg::Group> powerline = assemble();
    ASSERT_TRUE(powerline);
    const auto pylons = lods(*powerline);
    ASSERT_EQ(2u, pylons.size());
    EXPECT_EQ("Pylon 0", pylonOf(pylons[0])->getName());
    EXPECT_EQ(2u, blockFrameOf(pylonOf(pylons[0]))->getNumChildren());
}

TEST_F(PowerlineBuilderTest, LabelShowsTheNumberAsWrittenBesideThePylon)
{
    tree.write(List, "017,Body,0,0,0,0,0,0,0,0,0,0,0,0\n");
    osg::ref_ptr<osg::Group> powerline = assemble();
    ASSERT_TRUE(powerline);
    osg::MatrixTransform* pylon = pylonOf(lods(*powerline).at(0));
    ASSERT_TRUE(pylon);
    EXPECT_EQ("Pylon 017", pylon->getName());
    ASSERT_EQ(2u, pylon->getNumChildren());
    osg::MatrixTransform* labelTransform = dynamic_cast<osg::MatrixTransform*>(pylon->getChild(1));
    ASSERT_TRUE(labelTransform);
    EXPECT_EQ(osg::Matrixd::translate(30, 0, 0), labelTransform->getMatrix());
    ASSERT_EQ(1u, labelTransform->getNumChildren());
    osg::Billboard* billboard = dynamic_cast<osg::Billboard*>(labelTransform->getChild(0));
    ASSERT_TRUE(billboard);
    EXPECT_EQ(osg::Billboard::POINT_ROT_EYE, billboard->getMode());
    EXPECT_EQ(osg::Vec3(0, 0, 1), billboard->getNormal());
    ASSERT_TRUE(billboard->getStateSet());
    EXPECT_EQ(4u, billboard->getStateSet()->getMode(GL_LIGHTING));
    ASSERT_EQ(1u, billboard->getNumDrawables());
    osgText::Text* text = dynamic_cast<osgText::Text*>(billboard->getDrawable(0));
    ASSERT_TRUE(text);
    EXPECT_EQ("017", text->getText().createUTF8EncodedString());
    ASSERT_TRUE(text->getFont());
    EXPECT_NE(std::string::npos, text->getFont()->getFileName().find("arial.ttf"));
    EXPECT_EQ(256u, text->getFontWidth());
    EXPECT_EQ(256u, text->getFontHeight());
    EXPECT_EQ(osg::Vec4(0, 0, 0, 1), text->getColor());
    EXPECT_EQ(osgText::Text::OUTLINE, text->getBackdropType());
    EXPECT_EQ(osg::Vec4(1, 1, 1, 1), text->getBackdropColor());
    EXPECT_FLOAT_EQ(0.06f, text->getBackdropHorizontalOffset());
    EXPECT_FLOAT_EQ(0.06f, text->getBackdropVerticalOffset());
    EXPECT_FLOAT_EQ(10.0f, text->getCharacterHeight());
    EXPECT_EQ(osgText::Text::CENTER_CENTER, text->getAlignment());
}

TEST_F(PowerlineBuilderTest, WiresComeFromEveryFileNamedWithLftInCaseSensitively)
{
    tree.write(List, "1,Body,0,0,0,0,0,0,0,0,0,0,0,0\n");
    tree.write("Content/Powerline/Lft_1.txt", "6400000,650000,12\n6400000,650300,14\n6400000,650600,16");
    tree.write("Content/Powerline/lft_2.txt", "6400000,650000,12\n6400000,650300,14\n");
    tree.write("Content/Powerline/Fas_B_Lft.dat", "6400010,650000,12\n6400010,650300,14\n");
    osg::ref_ptr<osg::Group> powerline = assemble(osg::Vec3d(650000, 6400000, 2));
    ASSERT_TRUE(powerline);
    osg::Geode* wires = wiresOf(*powerline);
    ASSERT_TRUE(wires);
    ASSERT_EQ(2u, wires->getNumDrawables());
    std::vector<osg::Vec3> firstPoints;
    for (unsigned i = 0; i < 2; ++i) {
        osg::Geometry* wire = wires->getDrawable(i)->asGeometry();
        ASSERT_TRUE(wire);
        const osg::Vec3Array* v = dynamic_cast<const osg::Vec3Array*>(wire->getVertexArray());
        ASSERT_TRUE(v);
        ASSERT_EQ(6u, v->size()) << "two complete lines, three vertices each";
        firstPoints.push_back((*v)[0] + osg::Vec3(0, 0, osgKELVO::WireTubeBuilder::Radius));
    }
    std::sort(firstPoints.begin(), firstPoints.end());
    EXPECT_EQ(osg::Vec3(0, 0, 10), firstPoints[0]);
    EXPECT_EQ(osg::Vec3(0, 10, 10), firstPoints[1]);
}

TEST_F(PowerlineBuilderTest, MissingPylonListMeansNoPowerLineAtAll)
{
    tree.write("Content/Powerline/Lft_1.txt", "0,0,10\n10,300,12\n");
    NotifyCapture notices;
    EXPECT_FALSE(PowerlineBuilder(osg::Vec3d()).build());
    EXPECT_TRUE(notices.has(osg::WARN, "Pylon coordinate list not found"));
}

TEST_F(PowerlineBuilderTest, MissingFontMeansNoPowerLineAndNoMessage)
{
    tree.remove("Resources/Fonts");
    tree.write(List, "1,Body,0,0,0,0,0,0,0,0,0,0,0,0\n");
    NotifyCapture notices;
    EXPECT_FALSE(PowerlineBuilder(osg::Vec3d()).build());
    EXPECT_FALSE(notices.hasText("Pylon coordinate list not found"));
    for (const auto& line : notices.lines())
        EXPECT_GT(line.first, osg::WARN) << line.second;
}

TEST_F(PowerlineBuilderTest, UnreadableWireFileIsReportedAndLeftOut)
{
    tree.write(List, "1,Body,0,0,0,0,0,0,0,0,0,0,0,0\n");
    tree.write("Content/Powerline/Lft_good.txt", "0,0,10\n10,300,12\n");
    std::filesystem::create_symlink(tree.path("Content/Powerline/nowhere.txt"),
                                    tree.path("Content/Powerline/Lft_gone.txt"));
    NotifyCapture notices;
    osg::ref_ptr<osg::Group> powerline = assemble();
    ASSERT_TRUE(powerline);
    EXPECT_EQ(1u, notices.count("Wire coordinate file could not be opened"));
    EXPECT_TRUE(notices.has(osg::WARN, "Wire coordinate file could not be opened"));
    EXPECT_EQ(1u, wiresOf(*powerline)->getNumDrawables());
}

} // namespace
