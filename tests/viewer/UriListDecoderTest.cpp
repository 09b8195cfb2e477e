#include "desktop/UriListDecoder.h"

#include <gtest/gtest.h>

using osgKELVO::UriListDecoder;

namespace {

const UriListDecoder decoder("survey.example.org");

std::vector<std::string> paths(const std::string& list)
{
    return decoder.decode(list).paths;
}

} // namespace

TEST(UriListDecoder, ReadsOneUriPerLineWithCrLfOrBareLf)
{
    EXPECT_EQ(paths("file:///a/b.ive\r\nfile:///c/d.osg\r\n"),
              (std::vector<std::string>{"/a/b.ive", "/c/d.osg"}));
    EXPECT_EQ(paths("file:///a/b.ive\nfile:///c/d.osg\n"),
              (std::vector<std::string>{"/a/b.ive", "/c/d.osg"}));
    // No line end after the last URI, mixed line ends, blank lines, a trailing NUL.
    EXPECT_EQ(paths("file:///a/b.ive\n\r\nfile:///c/d.osg\r\n\nfile:///e.zip"),
              (std::vector<std::string>{"/a/b.ive", "/c/d.osg", "/e.zip"}));
    EXPECT_EQ(paths(std::string("file:///a/b.ive\r\n\0", 18)), std::vector<std::string>{"/a/b.ive"});
    EXPECT_TRUE(paths("").empty());
    EXPECT_TRUE(paths("\r\n\n").empty());
}

TEST(UriListDecoder, KeepsListOrder)
{
    std::string list;
    std::vector<std::string> expected;
    for (char c = 'z'; c >= 'a'; --c) {
        list += std::string("file:///models/") + c + ".ive\r\n";
        expected.push_back(std::string("/models/") + c + ".ive");
    }
    EXPECT_EQ(paths(list), expected);
}

TEST(UriListDecoder, SkipsCommentLines)
{
    const UriListDecoder::Result result =
        decoder.decode("# dragged from the file manager\r\nfile:///a.ive\r\n#file:///b.ive\r\n");
    EXPECT_EQ(result.paths, std::vector<std::string>{"/a.ive"});
    EXPECT_TRUE(result.ignored.empty());
}

TEST(UriListDecoder, AcceptsFileUrisWithOrWithoutALocalHost)
{
    EXPECT_EQ(decoder.localPath("file:///home/ana/a.ive"), "/home/ana/a.ive");
    EXPECT_EQ(decoder.localPath("file://localhost/home/ana/a.ive"), "/home/ana/a.ive");
    EXPECT_EQ(decoder.localPath("file://LocalHost/home/ana/a.ive"), "/home/ana/a.ive");
    EXPECT_EQ(decoder.localPath("file://survey.example.org/home/ana/a.ive"), "/home/ana/a.ive");
    EXPECT_EQ(decoder.localPath("file://SURVEY/home/ana/a.ive"), "/home/ana/a.ive");
    EXPECT_EQ(decoder.localPath("FILE:///home/ana/a.ive"), "/home/ana/a.ive");
    EXPECT_EQ(decoder.localPath("file:/home/ana/a.ive"), "/home/ana/a.ive");

    const UriListDecoder shortNamed("survey");
    EXPECT_EQ(shortNamed.localPath("file://survey.example.org/a.ive"), "/a.ive");
    EXPECT_EQ(shortNamed.localPath("file://survey/a.ive"), "/a.ive");
}

TEST(UriListDecoder, RejectsOtherHostsAndOtherSchemes)
{
    EXPECT_EQ(decoder.localPath("file://fileserver/home/ana/a.ive"), "");
    EXPECT_EQ(decoder.localPath("file://survey.other.org/a.ive"), "");
    EXPECT_EQ(decoder.localPath("file://surveyor/a.ive"), "");
    EXPECT_EQ(decoder.localPath("http://example.org/a.ive"), "");
    EXPECT_EQ(decoder.localPath("smb://server/share/a.ive"), "");
    EXPECT_EQ(decoder.localPath("trash:///a.ive"), "");
    EXPECT_EQ(decoder.localPath("files:///a.ive"), "");
    EXPECT_EQ(decoder.localPath("/home/ana/a.ive"), "");
    EXPECT_EQ(decoder.localPath("file://"), "");
    EXPECT_EQ(decoder.localPath("file:relative/a.ive"), "");
    EXPECT_EQ(decoder.localPath("file://localhost"), "");
}

TEST(UriListDecoder, ReportsIgnoredUrisAsSentBesideTheLocalFiles)
{
    const UriListDecoder::Result result = decoder.decode(
        "https://example.org/terrain.ive\r\nfile:///data/a.ive\r\nfile://fileserver/b.ive\r\nfile:///data/c.3ds\r\n");
    EXPECT_EQ(result.paths, (std::vector<std::string>{"/data/a.ive", "/data/c.3ds"}));
    EXPECT_EQ(result.ignored,
              (std::vector<std::string>{"https://example.org/terrain.ive", "file://fileserver/b.ive"}));
}

TEST(UriListDecoder, DecodesPercentEncodedBytes)
{
    EXPECT_EQ(decoder.localPath("file:///data/Hamn%20och%20kaj.ive"), "/data/Hamn och kaj.ive");
    // UTF-8 bytes of non-ASCII names: "Ö" is C3 96, "å" C3 A5, "東" E6 9D B1.
    EXPECT_EQ(decoder.localPath("file:///data/%C3%96resund/br%c3%a5.osg"), "/data/\xC3\x96resund/br\xC3\xA5.osg");
    EXPECT_EQ(decoder.localPath("file:///%E6%9D%B1.ive"), "/\xE6\x9D\xB1.ive");
    EXPECT_EQ(decoder.localPath("file:///a%25b%23c%3Fd.ive"), "/a%b#c?d.ive");
    // Unescaped bytes some senders leave as they are.
    EXPECT_EQ(decoder.localPath("file:///data/Hamn och kaj.ive"), "/data/Hamn och kaj.ive");
    EXPECT_EQ(decoder.localPath("file:///data/br\xC3\xA5.osg"), "/data/br\xC3\xA5.osg");
    EXPECT_EQ(decoder.localPath("file:///a+b.ive"), "/a+b.ive");
    // A "%" without two hex digits stays literal; the host part is decoded too.
    EXPECT_EQ(decoder.localPath("file:///100%.ive"), "/100%.ive");
    EXPECT_EQ(decoder.localPath("file:///a%2"), "/a%2");
    EXPECT_EQ(decoder.localPath("file:///a%zz.ive"), "/a%zz.ive");
    EXPECT_EQ(decoder.localPath("file://local%68ost/a.ive"), "/a.ive");
}

TEST(UriListDecoder, RejectsAnEncodedNulByte)
{
    const UriListDecoder::Result result = decoder.decode("file:///a%00.ive\r\nfile:///b.ive\r\n");
    EXPECT_EQ(result.paths, std::vector<std::string>{"/b.ive"});
    EXPECT_EQ(result.ignored, std::vector<std::string>{"file:///a%00.ive"});
}

TEST(UriListDecoder, RejectsANulByteSentAsItIs)
{
    // Only NULs at the end of a line are the sender's padding; inside a URI the file functions
    // would stop at it and open "/a" instead.
    const std::string uri("file:///a\0b.ive", 15);
    EXPECT_EQ(decoder.localPath(uri), "");
    const UriListDecoder::Result result = decoder.decode(uri + "\r\nfile:///c.ive\r\n");
    EXPECT_EQ(result.paths, std::vector<std::string>{"/c.ive"});
    EXPECT_EQ(result.ignored, std::vector<std::string>{uri});
}

TEST(UriListDecoder, KnowsItsOwnHostName)
{
    const std::string host = UriListDecoder::thisHostName();
    ASSERT_FALSE(host.empty());
    EXPECT_EQ(UriListDecoder(host).localPath("file://" + host + "/x.ive"), "/x.ive");
}
