#include "config/AtomicFileWriter.h"

#include "RuntimeTree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using osgKELVO::AtomicFileWriter;
using kelvotest::RuntimeTree;

namespace {

class AtomicFileWriterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "kelvo-writer-XXXXXX").string();
        ASSERT_NE(nullptr, ::mkdtemp(&pattern[0]));
        directory = pattern;
    }
    void TearDown() override
    {
        ::chmod(directory.c_str(), 0755);
        fs::remove_all(directory);
    }
    std::vector<std::string> entries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(directory))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string directory;
};

} // namespace

TEST_F(AtomicFileWriterTest, ReplacesTheWholeFileAndLeavesNothingBehind)
{
    const std::string path = directory + "/Configuration.xml";
    RuntimeTree::writeFile(path, std::string(10000, 'x'));
    ASSERT_TRUE(AtomicFileWriter::write(path, "<Scene/>\n"));
    EXPECT_EQ("<Scene/>\n", RuntimeTree::readFile(path));
    EXPECT_EQ(std::vector<std::string>{"Configuration.xml"}, entries());
}

TEST_F(AtomicFileWriterTest, KeepsThePermissionsOfTheFileItReplaces)
{
    const std::string path = directory + "/Configuration.xml";
    RuntimeTree::writeFile(path, "old");
    ::chmod(path.c_str(), 0600);
    ASSERT_TRUE(AtomicFileWriter::write(path, "new"));
    struct stat info;
    ASSERT_EQ(0, ::stat(path.c_str(), &info));
    EXPECT_EQ(0600u, info.st_mode & 0777u);
}

TEST_F(AtomicFileWriterTest, ReadOnlyDirectoryLeavesTheOldFileIntact)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only directories; covered by the directory case";
    const std::string path = directory + "/Configuration.xml";
    RuntimeTree::writeFile(path, "old contents");
    ::chmod(directory.c_str(), 0555);
    EXPECT_FALSE(AtomicFileWriter::write(path, "new"));
    ::chmod(directory.c_str(), 0755);
    EXPECT_EQ("old contents", RuntimeTree::readFile(path));
    EXPECT_EQ(std::vector<std::string>{"Configuration.xml"}, entries());
}

TEST_F(AtomicFileWriterTest, ADirectoryOfTheFilesNameIsNotReplaced)
{
    const std::string path = directory + "/Configuration.xml";
    fs::create_directory(path);
    RuntimeTree::writeFile(path + "/inside", "kept");
    EXPECT_FALSE(AtomicFileWriter::write(path, "new"));
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_EQ("kept", RuntimeTree::readFile(path + "/inside"));
    EXPECT_EQ(std::vector<std::string>{"Configuration.xml"}, entries());
}

TEST_F(AtomicFileWriterTest, AMissingDirectoryFails)
{
    EXPECT_FALSE(AtomicFileWriter::write(directory + "/absent/Configuration.xml", "new"));
    EXPECT_TRUE(entries().empty());
}
