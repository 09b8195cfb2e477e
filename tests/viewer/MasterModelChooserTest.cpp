#include "ArchiveReadCallback.h"
#include "MasterModelChooser.h"

#include <gtest/gtest.h>

using osgKELVO::ArchiveReadCallback;
using osgKELVO::MasterModelChooser;

namespace {

bool byExtension(const std::string& name)
{
    const std::string::size_type dot = name.rfind('.');
    const std::string extension = dot == std::string::npos ? "" : name.substr(dot + 1);
    return extension == "osg" || extension == "ive" || extension == "3ds";
}

int choose(const std::vector<std::string>& names)
{
    return MasterModelChooser::choose(names, &byExtension);
}

} // namespace

TEST(MasterModelChooser, TakesTheOnlyModelAtTheTopLevel)
{
    EXPECT_EQ(choose({"Images/", "Images/a.rgb", "parts/bridge.ive", "harbour.osg", "parts/crane.3ds"}), 3);
    EXPECT_EQ(choose({"harbour.osg"}), 0);
}

TEST(MasterModelChooser, OtherwiseTakesTheFirstModelInArchiveOrder)
{
    // Several at the top level.
    EXPECT_EQ(choose({"readme.txt", "b.ive", "a.osg"}), 1);
    EXPECT_EQ(choose({"parts/first.ive", "b.ive", "a.osg"}), 0);
    // None at the top level.
    EXPECT_EQ(choose({"Images/a.rgb", "model/Images/", "model/terrain.ive", "model/extra.osg"}), 2);
}

TEST(MasterModelChooser, SkipsDirectoriesAndMacResourceForks)
{
    EXPECT_EQ(choose({"terrain.osg/", "__MACOSX/._terrain.ive", "._terrain.ive", "terrain.ive"}), 3);
    EXPECT_EQ(choose({"__MACOSX/harbour.osg", "sub/._x.osg"}), -1);
    EXPECT_FALSE(MasterModelChooser::isCandidate("dir/"));
    EXPECT_TRUE(MasterModelChooser::isCandidate("dir/._not/x.osg"));
}

TEST(MasterModelChooser, FindsNothingWithoutAModelFile)
{
    EXPECT_EQ(choose({}), -1);
    EXPECT_EQ(choose({"Images/", "Images/a.rgb", "readme.txt", "osg", "model.osg.txt"}), -1);
}

TEST(ArchiveEntryNames, NormalizeResolvesDotsAndSeparators)
{
    EXPECT_EQ(ArchiveReadCallback::normalize("Images/a.rgb"), "Images/a.rgb");
    EXPECT_EQ(ArchiveReadCallback::normalize("./Images//a.rgb"), "Images/a.rgb");
    EXPECT_EQ(ArchiveReadCallback::normalize("model/../Images/a.rgb"), "Images/a.rgb");
    EXPECT_EQ(ArchiveReadCallback::normalize("model\\Images\\a.rgb"), "model/Images/a.rgb");
    EXPECT_EQ(ArchiveReadCallback::normalize("../a.rgb"), "");
    EXPECT_EQ(ArchiveReadCallback::normalize("a/../../a.rgb"), "");
}
