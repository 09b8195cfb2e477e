// The paths stored for the models added to the scene.

#include "runtime/ProgramRoot.h"

#include <gtest/gtest.h>

using osgKELVO::ProgramRoot;

// Files inside the program's tree are stored relative to Bin, so that they load again from there
// at the next start; other files keep their path.
TEST(ProgramRoot, IsTheDirectoryAboveTheLastBinComponentAndHoldsTheStoredPaths)
{
    const std::pair<const char*, const char*> roots[] = {
        {"/opt/tool/Bin", "/opt/tool/"}, {"/opt/Bin/tool/Bin", "/opt/Bin/tool/"},
        {"/opt/tool/Bin/sub", "/opt/tool/"},
        {"/Bin", "/"}, {"/home/Binh/tool", ""}, {"/home/user/Binaries", ""}, {"/home/user/bin", ""},
        {"/home/Binh/Bin", "/home/Binh/"}};
    for (const auto& root : roots)
        EXPECT_EQ(root.second, ProgramRoot::of(root.first)) << root.first;
    const char* stored[][3] = {
        {"/opt/tool/a.ive", "/opt/tool/Bin", "../a.ive"},
        {"/home/Binh/Content/x y/\xc3\xb6.osg", "/home/Binh/Bin", "../Content/x y/\xc3\xb6.osg"},
        {"/opt/toolbox/a.ive", "/opt/tool/Bin", "/opt/toolbox/a.ive"},
        {"/home/Binh/a.ive", "/home/Binh/tool", "/home/Binh/a.ive"}};
    for (const auto& path : stored)
        EXPECT_EQ(path[2], ProgramRoot::storedPath(path[0], path[1]))
            << path[0] << " from " << path[1];
}
