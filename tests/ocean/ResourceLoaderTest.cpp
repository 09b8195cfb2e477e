#include "MessageCapture.h"
#include "TemporaryDirectory.h"

#include <Maris/ResourceLoader.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

namespace {

std::string stored(const char* path)
{
    Maris::ResourceLoader loader(path, false);
    const char* directory = loader.GetResourceDirectory();
    return directory ? directory : "<none>";
}

} // namespace

TEST(ResourceLoader, DirectoryGetsOneTrailingSeparatorAndNoDoubledOnes)
{
    MessageCapture messages;
    EXPECT_EQ(stored("../Resources/Maris"), "../Resources/Maris/");
    EXPECT_EQ(stored("../Resources/Maris/"), "../Resources/Maris/");
    EXPECT_EQ(stored("a//b///c"), "a/b/c/");
    EXPECT_EQ(stored("a/\\b"), "a/b/");
    EXPECT_EQ(stored("a\\/b"), "a\\b/");
    EXPECT_EQ(stored("a\\\\b\\"), "a\\b/");
    EXPECT_EQ(stored("//root"), "/root/");
    EXPECT_TRUE(messages.entries().empty());
}

TEST(ResourceLoader, ReplacingTheDirectoryForgetsTheOldOne)
{
    Maris::ResourceLoader loader("first", false);
    loader.SetResourceDirectory("second//", false);
    EXPECT_STREQ(loader.GetResourceDirectory(), "second/");
}

TEST(ResourceLoader, NullPathIsReportedAndLoadsNothing)
{
    MessageCapture messages;
    Maris::ResourceLoader loader(nullptr, false);
    EXPECT_EQ(messages.texts(),
              std::vector<std::string>{"Null path passed into ResourceLoader constructor"});
    EXPECT_EQ(loader.GetResourceDirectory(), nullptr);
    char* data = nullptr;
    std::size_t size = 0;
    EXPECT_FALSE(loader.LoadResource("Maris.config", data, size, true));
    EXPECT_EQ(data, nullptr);
}

TEST(ResourceLoader, TextLoadsEndWithACountedZero)
{
    TemporaryDirectory directory;
    directory.write("notes.txt", "line one\nline two\n");
    Maris::ResourceLoader loader(directory.path().c_str(), false);
    char* data = nullptr;
    std::size_t size = 0;
    ASSERT_TRUE(loader.LoadResource("notes.txt", data, size, true));
    EXPECT_EQ(size, 19u);
    EXPECT_EQ(data[18], '\0');
    EXPECT_STREQ(data, "line one\nline two\n");
    loader.FreeResource(data);
}

TEST(ResourceLoader, BinaryLoadsAreExactAndKeepZeros)
{
    TemporaryDirectory directory;
    const std::string bytes("\x00\x01\xff\x00\x7f", 5);
    directory.write("blob.bin", bytes);
    Maris::ResourceLoader loader(directory.path().c_str(), false);
    char* data = nullptr;
    std::size_t size = 0;
    ASSERT_TRUE(loader.LoadResource("blob.bin", data, size, false));
    ASSERT_EQ(size, 5u);
    EXPECT_EQ(std::memcmp(data, bytes.data(), 5), 0);
    loader.FreeResource(data);
    loader.FreeResource(nullptr);
}

TEST(ResourceLoader, EmptyFilesLoad)
{
    TemporaryDirectory directory;
    directory.write("empty", "");
    Maris::ResourceLoader loader(directory.path().c_str(), false);
    char* data = nullptr;
    std::size_t size = 7;
    ASSERT_TRUE(loader.LoadResource("empty", data, size, true));
    EXPECT_EQ(size, 1u);
    EXPECT_EQ(data[0], '\0');
    loader.FreeResource(data);
    ASSERT_TRUE(loader.LoadResource("empty", data, size, false));
    EXPECT_EQ(size, 0u);
    loader.FreeResource(data);
}

TEST(ResourceLoader, DirectoriesWithDoubledSeparatorsAndNamesInSubdirectoriesLoad)
{
    TemporaryDirectory directory;
    std::filesystem::create_directory(directory.path() + "/shaders");
    directory.write("shaders/grid.glsl", "void main() {}");
    for (const std::string& given : {directory.path() + "//", directory.path() + "/\\",
                                     directory.path() + "\\"}) {
        SCOPED_TRACE(given);
        Maris::ResourceLoader loader(given.c_str(), false);
        EXPECT_EQ(std::string(loader.GetResourceDirectory()), directory.path() + "/");
        char* data = nullptr;
        std::size_t size = 0;
        ASSERT_TRUE(loader.LoadResource("/shaders\\grid.glsl", data, size, true));
        EXPECT_STREQ(data, "void main() {}");
        loader.FreeResource(data);
    }
}

TEST(ResourceLoader, MissingResourcesReportTwoMessagesEndingWithTheFullPath)
{
    MessageCapture messages;
    TemporaryDirectory directory;
    const std::string given = directory.path() + "//";
    Maris::ResourceLoader loader(given.c_str(), false);
    char* data = reinterpret_cast<char*>(&loader);
    std::size_t size = 99;
    EXPECT_FALSE(loader.LoadResource("absent.tga", data, size, false));
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(messages.texts(), (std::vector<std::string>{"Failed to load the following resource:",
                                                          directory.path() + "/absent.tga"}));
}

TEST(ResourceLoader, ADirectoryIsNoResource)
{
    MessageCapture messages;
    TemporaryDirectory directory;
    std::filesystem::create_directory(directory.path() + "/sub");
    Maris::ResourceLoader loader(directory.path().c_str(), false);
    char* data = nullptr;
    std::size_t size = 0;
    EXPECT_FALSE(loader.LoadResource("sub", data, size, false));
    EXPECT_EQ(messages.texts().size(), 2u);
}
