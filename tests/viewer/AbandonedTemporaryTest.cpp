// Temporary files that a killed save leaves behind are removed by the next save, but not those
// of a save still in progress, and nothing else in the directory.

#include "config/AtomicFileWriter.h"

#include "FaultTestDirectory.h"
#include "RuntimeTree.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <unistd.h>

namespace fs = std::filesystem;
using kelvotest::FaultTestDirectory;
using kelvotest::RuntimeTree;
using osgKELVO::AtomicFileWriter;

namespace {

class AbandonedTemporary : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(directory.path().empty());
        RuntimeTree::writeFile(target, "<Scene/>\n");
    }
    std::string at(const std::string& name) const { return directory.path() + "/" + name; }

    FaultTestDirectory directory;
    const std::string target = directory.path() + "/Configuration.xml";
};

} // namespace

TEST_F(AbandonedTemporary, LeftoversOfKilledSavesAreRemovedByTheNextSave)
{
    for (const char* name : {".Configuration.xml.a1B2c3", ".Configuration.xml.ZZZZZZ", ".Configuration.xml.000000"})
        RuntimeTree::writeFile(at(name), "<Scene loadInfo");
    ASSERT_EQ(3u, FaultTestDirectory::temporaries(directory.path()).size());

    ASSERT_TRUE(AtomicFileWriter::write(target, "<Window/>\n"));
    EXPECT_EQ("<Window/>\n", RuntimeTree::readFile(target));
    EXPECT_EQ(std::vector<std::string>{"Configuration.xml"}, FaultTestDirectory::entries(directory.path()));
}

TEST_F(AbandonedTemporary, ATemporaryFileOfASaveInProgressIsKept)
{
    // Another writer still holds its temporary file open and locked.
    const std::string busy = at(".Configuration.xml.Busy42");
    RuntimeTree::writeFile(busy, "<Scene/");
    const int fd = ::open(busy.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(0, ::flock(fd, LOCK_EX));

    EXPECT_TRUE(AtomicFileWriter::write(target, "<Window/>\n"));
    EXPECT_TRUE(fs::exists(busy));
    EXPECT_EQ("<Scene/", RuntimeTree::readFile(busy));

    // Once that writer is gone its file counts as abandoned.
    ::close(fd);
    EXPECT_TRUE(AtomicFileWriter::write(target, "<Overlay/>\n"));
    EXPECT_FALSE(fs::exists(busy));
    EXPECT_EQ(std::vector<std::string>{"Configuration.xml"}, FaultTestDirectory::entries(directory.path()));
}

TEST_F(AbandonedTemporary, OtherFilesOfTheDirectoryAreNotTouched)
{
    const std::vector<std::string> others = {
        ".Configuration.xml.bak",      // not six characters
        ".Configuration.xml.1234567",  // seven
        ".Configuration.xml.ab-d_f",   // not letters and digits
        "Configuration.xml.abcdef",    // no leading dot
        ".Other.xml.abcdef",           // another file's temporary
        ".Configuration.xmlXabcdef"};
    for (const std::string& name : others)
        RuntimeTree::writeFile(at(name), name);
    fs::create_directory(at(".Configuration.xml.Folder"));
    RuntimeTree::writeFile(at(".Configuration.xml.Folder/inside"), "kept");
    fs::create_symlink(target, at(".Configuration.xml.Linked"));

    ASSERT_TRUE(AtomicFileWriter::write(target, "<Window/>\n"));
    for (const std::string& name : others)
        EXPECT_EQ(name, RuntimeTree::readFile(at(name))) << name;
    EXPECT_EQ("kept", RuntimeTree::readFile(at(".Configuration.xml.Folder/inside")));
    EXPECT_TRUE(fs::is_symlink(at(".Configuration.xml.Linked")));
    EXPECT_EQ("<Window/>\n", RuntimeTree::readFile(target));
}

TEST_F(AbandonedTemporary, TemporariesOfAnotherFileInTheSameDirectoryAreKept)
{
    const std::string otherTarget = at("Other.xml");
    RuntimeTree::writeFile(at(".Other.xml.Qw3rty"), "partial");
    ASSERT_TRUE(AtomicFileWriter::write(target, "<Window/>\n"));
    EXPECT_TRUE(fs::exists(at(".Other.xml.Qw3rty")));
    ASSERT_TRUE(AtomicFileWriter::write(otherTarget, "other"));
    EXPECT_FALSE(fs::exists(at(".Other.xml.Qw3rty")));
    EXPECT_EQ("other", RuntimeTree::readFile(otherTarget));
}
