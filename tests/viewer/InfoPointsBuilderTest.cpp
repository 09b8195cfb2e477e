// Information points built from label files in a scratch runtime tree, broken ones included.

#include "BadBytes.h"

#include "content/infopoints/InfoPointLabelFactory.h"
#include "content/infopoints/InfoPointsBuilder.h"

#include "NotifyCapture.h"
#include "ScratchTree.h"

#include <osg/Billboard>
#include <osg/LOD>
#include <osgDB/FileUtils>
#include <osgDB/Registry>
#include <osgText/Text>

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

using kelvotest::NotifyCapture;
using kelvotest::ScratchTree;
using osgKELVO::InfoPointsBuilder;

namespace {

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

TEST_F(InfoPointsBuilderTest, WithoutDirectoryOrFontThereAreNoInformationPoints)
{
    NotifyCapture notes;
    EXPECT_FALSE(InfoPointsBuilder().build());
    EXPECT_TRUE(notes.has(osg::WARN, "No InfoPoints found"));

    tree.remove("Resources/Fonts");
    tree.write(Directory + "good.csv", "Kyrkan,10,0,0,0\n");
    notes.clear();
    EXPECT_FALSE(InfoPointsBuilder().build());
    for (const auto& line : notes.lines())
        EXPECT_TRUE(line.first > osg::WARN || line.second.empty()) << "no font, no message: " << line.second;
    EXPECT_FALSE(cached());
}

// Numbers are read as leniently as the C library reads them (blank lines once made empty labels);
// what a file gives is what its cache gives the next run, NUL bytes included. 0xE5 is a ring a.
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
        {"ShortLines", "places.csv", "Kyrkan,10,1,2,3\nTorget,5\nHamnen\n",
         "Kyrkan at 1 2 43;Torget at 0 0 20;Hamnen at 0 0 0;",
         {" line 2 has 2 of 5 fields; the missing ones read as 0",
          " line 3 has 1 of 5 fields; the missing ones read as 0"}},
        {"BlankLines", "places.csv", "\nKyrkan,10,1,2,3\n\n\r\nTorget,5,4,5,6\n\n",
         "Kyrkan at 1 2 43;Torget at 4 5 26;", {}},
        {"CarriageReturns", "places.csv", "Kyrkan,10,1,2,3\r\nHamnen\r\n",
         "Kyrkan at 1 2 43;Hamnen at 0 0 0;",
         {" line 2 has 1 of 5 fields; the missing ones read as 0"}},
        {"NoFinalLineBreak", "places.csv", "Kyrkan,10,1,2,3\nTorget,5,4,5,6", "Kyrkan at 1 2 43;",
         {" line 2 has no line break and is not read"}},
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
        unsigned warnings = 0;
        for (const auto& line : notes.lines())
            warnings += line.first <= osg::WARN && !line.second.empty() ? 1 : 0;
        EXPECT_EQ(file.warnings.size(), warnings) << notes.dump().substr(0, 2000);
        for (const std::string& warning : file.warnings)
            EXPECT_TRUE(notes.has(osg::WARN, InfoPointsBuilder::Directory + file.file + warning))
                << warning;
        EXPECT_EQ(file.labels, labels()) << "read back from the cache";
    }
}
