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

namespace {

struct UriCase
{
    std::string uri;
    std::string path; // empty: not a local file
};

std::ostream& operator<<(std::ostream& out, const UriCase& c)
{
    return out << c.uri;
}

class UriToLocalPath : public ::testing::TestWithParam<UriCase>
{
};

} // namespace

// File URIs of this host, with or without it named, percent-encoded or as some senders leave them;
// other hosts, other schemes and malformed URIs are no local files. "Ö" is C3 96, "å" C3 A5.
TEST_P(UriToLocalPath, LocalFilesOnlyDecoded)
{
    EXPECT_EQ(GetParam().path, decoder.localPath(GetParam().uri));
}

INSTANTIATE_TEST_SUITE_P(
    UriListDecoder, UriToLocalPath,
    ::testing::Values(
        UriCase{"file:///home/ana/a.ive", "/home/ana/a.ive"}, UriCase{"file://localhost/a.ive", "/a.ive"},
        UriCase{"file://LocalHost/a.ive", "/a.ive"}, UriCase{"file://survey.example.org/a.ive", "/a.ive"},
        UriCase{"file://SURVEY/a.ive", "/a.ive"}, UriCase{"FILE:///a.ive", "/a.ive"},
        UriCase{"file:/home/ana/a.ive", "/home/ana/a.ive"}, UriCase{"file://fileserver/a.ive", ""},
        UriCase{"file://survey.other.org/a.ive", ""}, UriCase{"file://surveyor/a.ive", ""},
        UriCase{"http://example.org/a.ive", ""}, UriCase{"smb://server/share/a.ive", ""},
        UriCase{"trash:///a.ive", ""}, UriCase{"files:///a.ive", ""}, UriCase{"/home/ana/a.ive", ""},
        UriCase{"file://", ""}, UriCase{"file:relative/a.ive", ""}, UriCase{"file://localhost", ""},
        UriCase{"file:///data/Hamn%20och%20kaj.ive", "/data/Hamn och kaj.ive"},
        UriCase{"file:///data/%C3%96resund/br%c3%a5.osg", "/data/\xC3\x96resund/br\xC3\xA5.osg"},
        UriCase{"file:///a%25b%23c%3Fd.ive", "/a%b#c?d.ive"},
        UriCase{"file:///data/Hamn och kaj.ive", "/data/Hamn och kaj.ive"},
        UriCase{"file:///data/br\xC3\xA5.osg", "/data/br\xC3\xA5.osg"}, UriCase{"file:///a+b.ive", "/a+b.ive"},
        UriCase{"file:///100%.ive", "/100%.ive"}, UriCase{"file:///a%2", "/a%2"},
        UriCase{"file:///a%zz.ive", "/a%zz.ive"}, UriCase{"file://local%68ost/a.ive", "/a.ive"},
        UriCase{std::string("file:///a\0b.ive", 15), ""}));

TEST(UriListDecoder, AShortHostNameMatchesItsLongForm)
{
    const UriListDecoder shortNamed("survey");
    EXPECT_EQ(shortNamed.localPath("file://survey.example.org/a.ive"), "/a.ive");
    EXPECT_EQ(shortNamed.localPath("file://survey/a.ive"), "/a.ive");
}

TEST(UriListDecoder, ReportsIgnoredUrisAsSentBesideTheLocalFiles)
{
    const UriListDecoder::Result result = decoder.decode(
        "https://example.org/terrain.ive\r\nfile:///data/a.ive\r\nfile://fileserver/b.ive\r\nfile:///data/c.3ds\r\n");
    EXPECT_EQ(result.paths, (std::vector<std::string>{"/data/a.ive", "/data/c.3ds"}));
    EXPECT_EQ(result.ignored,
              (std::vector<std::string>{"https://example.org/terrain.ive", "file://fileserver/b.ive"}));
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
