#include "runtime/ProgramRoot.h"

#include <gtest/gtest.h>

using osgKELVO::ProgramRoot;

TEST(ProgramRoot, IsTheDirectoryAboveTheLastBinComponent)
{
    EXPECT_EQ("/opt/tool/", ProgramRoot::of("/opt/tool/Bin"));
    EXPECT_EQ("/opt/Bin/tool/", ProgramRoot::of("/opt/Bin/tool/Bin"));
    EXPECT_EQ("/opt/tool/", ProgramRoot::of("/opt/tool/Bin/sub"));
    EXPECT_EQ("/", ProgramRoot::of("/Bin"));
}

TEST(ProgramRoot, LettersInsideANameAreNotBin)
{
    EXPECT_EQ("", ProgramRoot::of("/home/Binh/tool"));
    EXPECT_EQ("", ProgramRoot::of("/home/user/Binaries"));
    EXPECT_EQ("", ProgramRoot::of("/home/user/bin"));
    EXPECT_EQ("/home/Binh/", ProgramRoot::of("/home/Binh/Bin"));
}

TEST(ProgramRoot, FilesInsideTheTreeAreStoredRelativeToBin)
{
    EXPECT_EQ("../Content/a.ive", ProgramRoot::storedPath("/opt/tool/Content/a.ive", "/opt/tool/Bin"));
    EXPECT_EQ("../a.ive", ProgramRoot::storedPath("/opt/tool/a.ive", "/opt/tool/Bin"));
    EXPECT_EQ("../Content/x y/ö.osg",
              ProgramRoot::storedPath("/home/Binh/Content/x y/ö.osg", "/home/Binh/Bin"));
}

TEST(ProgramRoot, OtherFilesKeepTheirPath)
{
    EXPECT_EQ("/srv/models/a.ive", ProgramRoot::storedPath("/srv/models/a.ive", "/opt/tool/Bin"));
    EXPECT_EQ("/opt/toolbox/a.ive", ProgramRoot::storedPath("/opt/toolbox/a.ive", "/opt/tool/Bin"));
    EXPECT_EQ("../Content/a.ive", ProgramRoot::storedPath("../Content/a.ive", "/opt/tool/Bin"));
    EXPECT_EQ("/home/Binh/a.ive", ProgramRoot::storedPath("/home/Binh/a.ive", "/home/Binh/tool"));
}
