// The power line and the information points built in a scratch runtime tree, from sound and from
// broken files.

#include "BadBytes.h"

#include "content/infopoints/InfoPointLabelFactory.h"
#include "content/infopoints/InfoPointsBuilder.h"
#include "content/powerline/PowerlineBuilder.h"
#include "content/powerline/WireTubeBuilder.h"

#include "NotifyCapture.h"
#include "ScratchTree.h"

#include <osg/Billboard>
#include <osg/Geode>
#include <osg/LOD>
#include <osg/MatrixTransform>
#include <osg/io_utils>
#include <osgDB/FileUtils>
#include <osgDB/Registry>
#include <osgText/Text>

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

using kelvotest::NotifyCapture;
using kelvotest::ScratchTree;
using osgKELVO::InfoPointsBuilder;
using osgKELVO::PowerlineBuilder;
using osgKELVO::WireTubeBuilder;

namespace {

const std::string List = "Content/Powerline/Koordinatlista_Stolpar_KelvoView.txt";
const std::string WirePath = std::string(PowerlineBuilder::PowerlineDirectory) + "/";

osg::ref_ptr<osg::Vec3Array> points(std::initializer_list<osg::Vec3> list)
{
    return new osg::Vec3Array(list.begin(), list.end());
}

// A block whose geometry (named after the block) marks its origin, its -z unit point and its x and
// y unit points, so that the world positions of these four show how the block was placed.
osg::ref_ptr<osg::Geode> markerBlock(const std::string& name)
{
    osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
    geometry->setName(name);
    geometry->setVertexArray(points({{0, 0, 0}, {0, 0, -1}, {1, 0, 0}, {0, 1, 0}}));
    geometry->addPrimitiveSet(new osg::DrawArrays(GL_LINES, 0, 4));
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(geometry);
    return geode;
}

// A complete pylon record: number, block, position, no turn, no frame shift, no target.
std::string record(const std::string& number, const std::string& block, const std::string& x = "0",
                   const std::string& y = "0", const std::string& end = "\n")
{
    return number + "," + block + "," + x + "," + y + ",10,0,0,0,0,0,0,0,0,0" + end;
}

class PowerlineBuilderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const std::string name : {"Body", "Arm", "Insulator", "M\xe4st"})
            ASSERT_TRUE(tree.writeNode("Content/Powerline/Building_blocks/" + name + ".ive", *markerBlock(name)));
    }

    // The pylon transforms of the assembled line, in list order.
    std::vector<osg::MatrixTransform*> pylons()
    {
        std::vector<osg::MatrixTransform*> result;
        powerline = PowerlineBuilder(osg::Vec3d()).assemble();
        for (unsigned i = 0; powerline && i < powerline->getNumChildren(); ++i)
            if (osg::LOD* lod = dynamic_cast<osg::LOD*>(powerline->getChild(i)))
                result.push_back(dynamic_cast<osg::MatrixTransform*>(lod->getChild(0)));
        return result;
    }

    // Each pylon as "label: blocks block-name at x y z;", the label as shown.
    std::string described()
    {
        std::ostringstream out;
        for (osg::MatrixTransform* pylon : pylons()) {
            osg::Group* frame = pylon->getChild(0)->asGroup();
            osg::Group* label = pylon->getNumChildren() > 1 ? pylon->getChild(1)->asGroup() : nullptr;
            osg::Geode* billboard = label ? label->getChild(0)->asGeode() : nullptr;
            const auto* text = billboard ? dynamic_cast<osgText::Text*>(billboard->getDrawable(0)) : nullptr;
            out << (text ? text->getText().createUTF8EncodedString() : "?") << ": " << frame->getNumChildren();
            if (frame->getNumChildren())
                out << " " << frame->getChild(0)->asGroup()->getChild(0)->asGeode()->getDrawable(0)->getName();
            const osg::Vec3d at = pylon->getMatrix().getTrans();
            out << " at " << at.x() << " " << at.y() << " " << at.z() << ";";
        }
        return out.str();
    }

    // The axis points of each wire tube of the assembled line.
    std::vector<std::vector<osg::Vec3>> wires(const osg::Vec3d& offset)
    {
        std::vector<std::vector<osg::Vec3>> result;
        powerline = PowerlineBuilder(offset).assemble();
        osg::Geode* geode = powerline ? powerline->getChild(powerline->getNumChildren() - 1)->asGeode() : nullptr;
        for (unsigned i = 0; geode && i < geode->getNumDrawables(); ++i) {
            const auto* v = dynamic_cast<const osg::Vec3Array*>(geode->getDrawable(i)->asGeometry()->getVertexArray());
            result.emplace_back();
            for (unsigned j = 0; v && j < v->size(); j += 3)
                result.back().push_back((*v)[j] + osg::Vec3(0, 0, WireTubeBuilder::Radius));
        }
        return result;
    }

    // The world positions of the vertices of the geometries named after a block, in traversal
    // order, switched-off and out-of-range children included.
    static std::vector<osg::Vec3d> worldVertices(osg::Node& node, const std::string& block)
    {
        struct Collector : osg::NodeVisitor
        {
            Collector() : osg::NodeVisitor(TRAVERSE_ALL_CHILDREN) {}
            void apply(osg::Drawable& drawable) override
            {
                const auto* v = dynamic_cast<const osg::Vec3Array*>(
                    drawable.asGeometry() ? drawable.asGeometry()->getVertexArray() : nullptr);
                const osg::Matrixd world = osg::computeLocalToWorld(getNodePath());
                for (std::size_t i = 0; v && drawable.getName() == name && i < v->size(); ++i)
                    result.push_back(osg::Vec3d((*v)[i]) * world);
            }
            std::string name;
            std::vector<osg::Vec3d> result;
        } collector;
        collector.name = block;
        node.accept(collector);
        return collector.result;
    }

    ScratchTree tree;
    osg::ref_ptr<osg::Group> powerline;
};

unsigned warnings(const NotifyCapture& notes)
{
    unsigned n = 0;
    for (const auto& line : notes.lines())
        n += line.first <= osg::WARN && !line.second.empty() ? 1 : 0;
    return n;
}

const std::string Directory = "Content/InfoPoints/";

class InfoPointsBuilderTest : public ::testing::Test
{
protected:
    // The billboard under each LOD of a fresh build, none if the build gave nothing.
    std::vector<osg::Billboard*> billboards()
    {
        // A later run: nothing read before is served from the cache.
        osgDB::Registry::instance()->clearObjectCache();
        osg::ref_ptr<osg::Node> node = InfoPointsBuilder().build();
        built = node ? node->asGroup() : nullptr;
        std::vector<osg::Billboard*> result;
        for (unsigned i = 0; built && i < built->getNumChildren(); ++i) {
            osg::LOD* lod = dynamic_cast<osg::LOD*>(built->getChild(i));
            result.push_back(lod && lod->getNumChildren() == 1 ? dynamic_cast<osg::Billboard*>(lod->getChild(0))
                                                               : nullptr);
        }
        return result;
    }

    // Every label of a fresh build as "text at x y z;".
    std::string labels()
    {
        std::ostringstream out;
        for (osg::Billboard* billboard : billboards())
            for (unsigned j = 0; billboard && j < billboard->getNumDrawables(); ++j) {
                const auto* text = dynamic_cast<const osgText::Text*>(billboard->getDrawable(j));
                const osg::Vec3 at = billboard->getPosition(j);
                out << (text ? text->getText().createUTF8EncodedString() : "?") << " at " << at.x() << " "
                    << at.y() << " " << at.z() << ";";
            }
        return out.str();
    }

    bool cached() const { return osgDB::fileExists(tree.path(Directory + InfoPointsBuilder::CacheFile)); }

    ScratchTree tree;
    osg::ref_ptr<osg::Group> built;
};

} // namespace

// 100 gon is a quarter turn clockwise seen from above; the frame translation of the main record
// lifts every block, its target is not used; a following record's target stretches its block
// from its point exactly to the target, keeping the cross-section. Records sharing a block share
// one loaded model.
TEST_F(PowerlineBuilderTest, RecordsPlaceTheirBlocksTurnedClockwiseAndStretchedToTheirTargets)
{
    tree.write(List, "8,Body,650100,6400200,15,100,0,0,0,0,-2,3,4,5\n"
                     "8,Arm,0,0,20,200,0,0,50,60,70,0,0,0\n"
                     "4,Body,650100,6400050,5,100,0,0,0,0,2,0,0,0\n"
                     "4,Insulator,5,0,20,0,0,0,0,0,0,5,0,18.25\n"
                     "4,Insulator,-5,0,20,0,0,0,0,0,0,-6,1.5,17\n");
    osg::ref_ptr<osg::Group> line = PowerlineBuilder(osg::Vec3d(650000, 6400000, 5)).assemble();
    ASSERT_TRUE(line);
    const std::vector<osg::Vec3d> body = worldVertices(*line, "Body"), arm = worldVertices(*line, "Arm"),
                                  strings = worldVertices(*line, "Insulator");
    ASSERT_EQ(8u, body.size());
    ASSERT_EQ(4u, arm.size());
    ASSERT_EQ(8u, strings.size());
    // The body's origin, -z, x and y unit points; the arm's origin and x unit point, turned by the
    // pylon's quarter and its own half; pylon 4 at (100, 50, 0), its frame lifted by 2, with a
    // hanging and a slanted string, top and bottom.
    const std::pair<osg::Vec3d, osg::Vec3d> points[] = {
        {{100, 200, 8}, body[0]},     {{100, 200, 7}, body[1]},    {{100, 199, 8}, body[2]},
        {{101, 200, 8}, body[3]},     {{100, 200, 28}, arm[0]},    {{100, 201, 28}, arm[2]},
        {{100, 45, 22}, strings[0]},  {{100, 45, 20.25}, strings[1]},
        {{100, 55, 22}, strings[4]},  {{101.5, 56, 19}, strings[5]}};
    for (const auto& point : points)
        EXPECT_NEAR(0.0, (point.first - point.second).length(), 1e-4) << point.first;
    EXPECT_NEAR(1.0, (strings[2] - strings[0]).length(), 1e-9);
    EXPECT_NEAR(1.0, (strings[6] - strings[4]).length(), 1e-9);
    EXPECT_NEAR(0.0, (strings[2] - strings[0]) * (strings[1] - strings[0]), 1e-9);
    const std::vector<osg::MatrixTransform*> p = pylons();
    ASSERT_EQ(2u, p.size());
    auto block = [](osg::MatrixTransform* pylon) {
        return pylon->getChild(0)->asGroup()->getChild(0)->asGroup()->getChild(0);
    };
    EXPECT_EQ(block(p[0]), block(p[1])) << "the second record must not read the file again";
}

// Records with the same number form one pylon, labelled with the number as written; a missing
// block is left out without a word. A NUL byte once opened another block, a megabyte label was
// laid out glyph by glyph. Latin-1 bytes are letters. Blank lines and a last line without its
// break: the wire files (the same line reader).
TEST_F(PowerlineBuilderTest, PylonListsGiveWhatCanBeReadAndWarnOfTheRest)
{
    struct PylonList
    {
        const char* name;
        std::string bytes, pylons;         // the pylons as described() gives them
        std::vector<std::string> warnings; // each after the list's path
    };
    const std::string longLabel(1u << 20, '7');
    const PylonList lists[] = {
        {"SameNumbersAndAMissingBlock",
         record("0", "Body") + record("0", "Arm") + record("017", "Nonexistent", "300") +
             record("017", "Arm", "9", "9"),
         "0: 2 Body at 0 0 10;017: 1 Arm at 300 0 10;", {}},
        {"ShortRecords", record("1", "Body", "100", "200") + "2,Body,300\n3\n",
         "1: 1 Body at 100 200 10;2: 1 Body at 300 0 0;3: 0 at 0 0 0;",
         {" line 2 has 3 of 14 fields; the missing ones read as 0",
          " line 3 has 1 of 14 fields; the missing ones read as 0"}},
        {"CarriageReturns", record("1", "Body", "100", "200", "\r\n") + "2,Body\r\n",
         "1: 1 Body at 100 200 10;2: 1 Body at 0 0 0;",
         {" line 2 has 2 of 14 fields; the missing ones read as 0"}},
        {"MegabyteNumbers",
         record("1", "Body", "250." + std::string(1u << 20, '0'), "7") +
             record("2", "Body", "1", "2", "0" + std::string(1u << 20, ' ') + "\n"),
         "1: 1 Body at 250 7 10;2: 1 Body at 1 2 10;", {}},
        {"MegabyteLabel", record(longLabel, "Body") + record("8", "Body", "50"),
         longLabel.substr(0, PowerlineBuilder::LongestLabel) +
             ": 1 Body at 0 0 10;8: 1 Body at 50 0 10;",
         {": pylon label of 1048576 characters cut to " +
          std::to_string(PowerlineBuilder::LongestLabel)}},
        {"NulBytes",
         record("1", std::string("Body.ive\0x", 10)) + record(std::string("2\0", 2), "Body", "50"),
         std::string("1: 0 at 0 0 10;2\0: 1 Body at 50 0 10;", 37), {}},
        {"Latin1", record("1", "M\xe4st") + record("2\xe5", "Body", "50"),
         "1: 1 M\xe4st at 0 0 10;2\xc3\xa5: 1 Body at 50 0 10;", {}}};
    for (const PylonList& list : lists) {
        SCOPED_TRACE(list.name);
        tree.write(List, list.bytes);
        NotifyCapture notes;
        EXPECT_EQ(list.pylons, described());
        EXPECT_EQ(list.warnings.size(), warnings(notes)) << notes.dump().substr(0, 2000);
        for (const std::string& warning : list.warnings)
            EXPECT_TRUE(notes.has(osg::WARN, PowerlineBuilder::PylonListPath + warning)) << warning;
    }
}

// Every file with "Lft" in its name is a wire, northing and easting becoming x and y less the
// offset, taken off in double precision (in single, 6400010.3 is 6400010.5); a file that cannot be
// opened is reported and left out.
TEST_F(PowerlineBuilderTest, WireFilesGiveWhatCanBeReadAndWarnOfTheRest)
{
    tree.write(List, record("1", "Body"));
    tree.write("Content/Powerline/Lft_1.txt", "\n6400000,650000,12\n\n6400010\n6400020,650030,16\r\n\r\n");
    tree.write("Content/Powerline/Lft_2.txt", "6400000." + std::string(1u << 20, '0') + ",650000,12\n" +
                                                  std::string("6400000,650\0" "999,14\n", 19) + "6400000,650200,16");
    tree.write("Content/Powerline/Fas_B_Lft.dat", "6400010.3,650000.3,12\n6400010,650300,14\n");
    tree.write("Content/Powerline/Lft_\xe5ngby.txt", "6400005,650000,12\r\n6400005,650100,13\r\n");
    tree.write("Content/Powerline/lft_3.txt", "6400000,650000,12\n6400000,650300,14\n");
    std::filesystem::create_symlink(tree.path("Content/Powerline/nowhere.txt"),
                                    tree.path("Content/Powerline/Lft_gone.txt"));
    NotifyCapture notes;
    std::vector<std::vector<osg::Vec3>> w = wires(osg::Vec3d(650000, 6400000, 0));
    std::sort(w.begin(), w.end());
    const std::vector<std::vector<osg::Vec3>> expected = {{{0, 0, 12}, {-650000, 10, 0}, {30, 20, 16}},
                                                          {{0, 0, 12}, {-649350, 0, 14}},
                                                          {{0, 5, 12}, {100, 5, 13}},
                                                          {{0.3f, 10.3f, 12}, {300, 10, 14}}};
    EXPECT_EQ(expected, w);
    EXPECT_TRUE(notes.has(osg::WARN, WirePath + "Lft_1.txt line 4 has 1 of 3 fields; the missing ones read as 0"))
        << notes.dump().substr(0, 2000);
    EXPECT_TRUE(notes.has(osg::WARN, WirePath + "Lft_2.txt line 3 has no line break and is not read"));
    EXPECT_EQ(1u, notes.count("Wire coordinate file could not be opened"));
}

TEST_F(PowerlineBuilderTest, GarbageListsAndWiresBuildWithoutFailing)
{
    tree.write(List, badinput::garbage(256 * 1024, 5));
    tree.write("Content/Powerline/Lft_junk.bin", badinput::garbage(256 * 1024, 9));
    tree.write("Content/Powerline/Lft_good.txt", "6400000,650000,12\n6400000,650100,13\n");
    EXPECT_EQ(2u, wires(osg::Vec3d(650000, 6400000, 0)).size());
    EXPECT_TRUE(PowerlineBuilder(osg::Vec3d()).build()) << "the optimiser takes it too";
}

// A single point, coinciding points or none: a triangle at each point, with no invalid vertex.
TEST(WireTubeBuilder, DegenerateWiresStillGetATube)
{
    for (const auto& wire : {points({{7, 8, 9}}), points({{0, 0, 0}, {0, 0, 0}, {0, 4, 0}}),
                             points({{0, 0, 0}, {0, 10, 0}, {0, 10, 0}, {10, 10, 0}}), points({})}) {
        osg::ref_ptr<osg::Geometry> tube = WireTubeBuilder::build(*wire);
        const auto& v = *static_cast<const osg::Vec3Array*>(tube->getVertexArray());
        ASSERT_EQ(3 * wire->size(), v.size());
        for (const osg::Vec3& vertex : v)
            EXPECT_TRUE(vertex.valid());
    }
}

// Files ending exactly in .csv are label files, each with its own billboard; one that cannot be
// opened, or garbage, costs only its own labels.
TEST_F(InfoPointsBuilderTest, EveryLabelFileGetsItsOwnBillboard)
{
    tree.write(Directory + "a.csv", "Norrby,10,0,0,0\nKvarnen,5,50,0,0\n");
    tree.write(Directory + "b.csv", "Fyren,3,500,500,2\n");
    tree.write(Directory + "points.CSV", "Ignored,3,0,0,0\n");
    tree.write(Directory + "notes.txt", "Ignored,3,0,0,0\n");
    tree.write(Directory + "junk.csv", badinput::garbage(128 * 1024, 11));
    std::filesystem::create_symlink(tree.path(Directory + "nowhere"), tree.path(Directory + "gone.csv"));
    NotifyCapture notes;
    const std::vector<osg::Billboard*> b = billboards();
    EXPECT_TRUE(notes.has(osg::WARN, "Could not open gone.csv")) << notes.dump().substr(0, 2000);
    ASSERT_EQ(3u, b.size());
    const std::string all = labels();
    EXPECT_NE(std::string::npos, all.find("Norrby at 0 0 40;Kvarnen at 50 0 20;"));
    EXPECT_NE(std::string::npos, all.find("Fyren at 500 500 14;"));
    EXPECT_EQ(std::string::npos, all.find("Ignored"));
}

// A later run reads the cache and no label file; a cache that is no scene file is built again,
// one that holds no group gives nothing. An empty directory is cached too.
TEST_F(InfoPointsBuilderTest, BuiltLabelsAreCachedForLaterRuns)
{
    tree.write(Directory + "places.csv", "Kyrkan,10,100.5,200.25,30.75\n");
    const std::string first = labels();
    ASSERT_TRUE(cached());
    tree.write(Directory + "places.csv", "Changed,2,0,0,0\nMore,2,0,0,0\n");
    EXPECT_EQ(first, labels());

    tree.write(Directory + InfoPointsBuilder::CacheFile, badinput::garbage(4096, 13));
    EXPECT_EQ("Changed at 0 0 8;More at 0 0 8;", labels());
    osg::ref_ptr<osg::Node> leaf = new osg::Node;
    ASSERT_TRUE(tree.writeNode(Directory + InfoPointsBuilder::CacheFile, *leaf));
    EXPECT_TRUE(billboards().empty());
    EXPECT_FALSE(built);

    tree.remove(Directory);
    tree.write(Directory + "readme.txt", "nothing here\n");
    EXPECT_EQ("", labels());
    EXPECT_TRUE(built && cached());
}

// Numbers are read as leniently as the C library reads them; what a file gives is what its cache
// gives the next run, NUL bytes included. Blank lines, line ends and a last line without one are
// read as in the pylon lists and wire files (the same line reader). 0xE5 is a ring a.
TEST_F(InfoPointsBuilderTest, LabelFilesShowWhatCanBeReadAndWarnOfTheRest)
{
    struct LabelFile
    {
        const char* name;
        std::string file, bytes, labels;   // the labels as labels() gives them
        std::vector<std::string> warnings; // each after the file's path
    };
    const std::string longText(1u << 20, 'x');
    const LabelFile files[] = {
        {"ShortLines", "places.csv", "Kyrkan,10,1,2,3\nHamnen\n",
         "Kyrkan at 1 2 43;Hamnen at 0 0 0;",
         {" line 2 has 1 of 5 fields; the missing ones read as 0"}},
        {"MegabyteLabel", "places.csv", longText + ",10,1,2,3\nTorget,5,4,5,6\n",
         longText.substr(0, osgKELVO::InfoPointLabelFactory::LongestText) +
             " at 1 2 43;Torget at 4 5 26;",
         {": label of 1048576 characters cut to " +
          std::to_string(osgKELVO::InfoPointLabelFactory::LongestText)}},
        {"MegabyteNumber", "places.csv", "Kyrkan,10m,1." + std::string(1u << 20, '0') + "x,2,3\n",
         "Kyrkan at 1 2 43;", {}},
        {"NulBytes", "places.csv", std::string("Kyr\0kan,1\0" "0,1,2,3\n", 18),
         std::string("Kyr\0kan at 1 2 7;", 17), {}},
        {"Latin1", "pl\xe5tser.csv", "K\xe5rsta,10,1,2,3\n", "K\xc3\xa5rsta at 1 2 43;", {}}};
    for (const LabelFile& file : files) {
        SCOPED_TRACE(file.name);
        tree.remove(Directory);
        tree.write(Directory + file.file, file.bytes);
        NotifyCapture notes;
        EXPECT_EQ(file.labels, labels());
        EXPECT_EQ(file.warnings.size(), warnings(notes)) << notes.dump().substr(0, 2000);
        for (const std::string& warning : file.warnings)
            EXPECT_TRUE(notes.has(osg::WARN, InfoPointsBuilder::Directory + file.file + warning))
                << warning;
        EXPECT_EQ(file.labels, labels()) << "read back from the cache";
    }
}

// Without their files the builders build nothing and say so; without the font they build nothing
// and say nothing more.
TEST(ContentBuilders, WithoutTheirFilesOrTheFontThereIsNothing)
{
    ScratchTree tree;
    tree.write("Content/Powerline/Lft_1.txt", "0,0,10\n10,300,12\n");
    NotifyCapture notes;
    EXPECT_FALSE(PowerlineBuilder(osg::Vec3d()).build());
    EXPECT_FALSE(InfoPointsBuilder().build());
    EXPECT_TRUE(notes.has(osg::WARN, "Pylon coordinate list not found"));
    EXPECT_TRUE(notes.has(osg::WARN, "No InfoPoints found"));

    tree.remove("Resources/Fonts");
    tree.write(List, record("1", "Body"));
    tree.write(Directory + "good.csv", "Kyrkan,10,0,0,0\n");
    notes.clear();
    EXPECT_FALSE(PowerlineBuilder(osg::Vec3d()).build());
    EXPECT_FALSE(InfoPointsBuilder().build());
    EXPECT_EQ(0u, warnings(notes)) << "no font, no message: " << notes.dump();
    EXPECT_FALSE(osgDB::fileExists(tree.path(Directory + InfoPointsBuilder::CacheFile)));
}
