// The text/uri-list a file manager sends with a drop, and the paths stored for the models added.

#include "desktop/UriListDecoder.h"
#include "runtime/ProgramRoot.h"

#include <gtest/gtest.h>

using osgKELVO::ProgramRoot;
using osgKELVO::UriListDecoder;

namespace {

const UriListDecoder decoder("survey.example.org");
using Paths = std::vector<std::string>;

} // namespace

// CR LF or bare LF, blank lines, no line end after the last URI, comments, a trailing NUL as
// padding; a NUL inside a URI, sent as it is or encoded, would make the file functions open "/a".
TEST(UriListDecoder, ListsTheLocalFilesInOrderAndReportsTheOthers)
{
    const std::string nul("file:///a\0b.ive", 15);
    const struct
    {
        std::string list;
        Paths paths;
        Paths ignored;
    } lists[] = {
        {"file:///a/b.ive\n\r\nfile:///c/d.osg\r\n\nfile:///e.zip", {"/a/b.ive", "/c/d.osg", "/e.zip"}, {}},
        {std::string("file:///a/b.ive\r\n\0", 18), {"/a/b.ive"}, {}},
        {"\r\n\n", {}, {}},
        {"# dragged from the file manager\r\nfile:///a.ive\r\n#file:///b.ive\r\n", {"/a.ive"}, {}},
        {"https://example.org/terrain.ive\r\nfile:///data/a.ive\r\nfile://fileserver/b.ive\r\nfile:///data/c.3ds\r\n",
         {"/data/a.ive", "/data/c.3ds"},
         {"https://example.org/terrain.ive", "file://fileserver/b.ive"}},
        {"file:///a%00.ive\r\nfile:///b.ive\r\n", {"/b.ive"}, {"file:///a%00.ive"}},
        {nul + "\r\nfile:///c.ive\r\n", {"/c.ive"}, {nul}},
    };
    for (const auto& list : lists) {
        const UriListDecoder::Result result = decoder.decode(list.list);
        EXPECT_EQ(list.paths, result.paths) << ::testing::PrintToString(list.list);
        EXPECT_EQ(list.ignored, result.ignored) << ::testing::PrintToString(list.list);
    }
}

// File URIs of this host, with or without it named, percent-encoded or as some senders leave them;
// other hosts, other schemes and malformed URIs are no local files. "Ö" is C3 96, "å" C3 A5.
TEST(UriListDecoder, LocalFilesOnlyAreDecoded)
{
    const std::pair<std::string, std::string> uris[] = {
        {"file://localhost/a.ive", "/a.ive"}, {"file://LocalHost/a.ive", "/a.ive"},
        {"file://survey.example.org/a.ive", "/a.ive"}, {"file://SURVEY/a.ive", "/a.ive"},
        {"FILE:///a.ive", "/a.ive"}, {"file:/home/ana/a.ive", "/home/ana/a.ive"},
        {"file://fileserver/a.ive", ""}, {"file://survey.other.org/a.ive", ""},
        {"file://surveyor/a.ive", ""}, {"trash:///a.ive", ""}, {"files:///a.ive", ""},
        {"/home/ana/a.ive", ""}, {"file://", ""}, {"file:relative/a.ive", ""},
        {"file://localhost", ""},
        {"file:///data/%C3%96resund/br%c3%a5.osg", "/data/\xC3\x96resund/br\xC3\xA5.osg"},
        {"file:///a%25b%23c%3Fd.ive", "/a%b#c?d.ive"},
        {"file:///data/Hamn och kaj.ive", "/data/Hamn och kaj.ive"},
        {"file:///data/br\xC3\xA5.osg", "/data/br\xC3\xA5.osg"}, {"file:///a+b.ive", "/a+b.ive"},
        {"file:///100%.ive", "/100%.ive"}, {"file:///a%2", "/a%2"}, {"file:///a%zz.ive", "/a%zz.ive"},
        {"file://local%68ost/a.ive", "/a.ive"}, {std::string("file:///a\0b.ive", 15), ""}};
    for (const auto& uri : uris)
        EXPECT_EQ(uri.second, decoder.localPath(uri.first)) << ::testing::PrintToString(uri.first);

    // A short host name matches its long form; the decoder knows this host's name.
    EXPECT_EQ("/a.ive", UriListDecoder("survey").localPath("file://survey.example.org/a.ive"));
    const std::string host = UriListDecoder::thisHostName();
    ASSERT_FALSE(host.empty());
    EXPECT_EQ("/x.ive", UriListDecoder(host).localPath("file://" + host + "/x.ive"));
}

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
