#include "TestSupport.h"

#include <Maris/ResourceLoader.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

TEST(ResourceLoader, DirectoryGetsOneTrailingSeparatorAndNoDoubledOnes)
{
    MessageCapture messages;
    const char* const cases[][2] = {
        {"../Resources/Maris", "../Resources/Maris/"}, {"Maris/", "Maris/"}, {"a//b///c", "a/b/c/"},
        {"a/\\b", "a/b/"}, {"a\\/b", "a\\b/"}, {"a\\\\b\\", "a\\b/"}, {"//root", "/root/"}};
    Maris::ResourceLoader loader("first", false);
    for (const auto& c : cases) {
        loader.SetResourceDirectory(c[0], false);
        EXPECT_STREQ(loader.GetResourceDirectory(), c[1]) << c[0];
    }
    EXPECT_TRUE(messages.entries().empty());

    Maris::ResourceLoader none(nullptr, false);
    EXPECT_EQ(messages.texts(),
              std::vector<std::string>{"Null path passed into ResourceLoader constructor"});
    EXPECT_EQ(none.GetResourceDirectory(), nullptr);
    char* data = nullptr;
    std::size_t size = 0;
    EXPECT_FALSE(none.LoadResource("Maris.config", data, size, true));
}

// Text loads end with a counted zero; binary loads are exact, zeros and all.
TEST(ResourceLoader, FilesLoadExactlyFromDirectoriesGivenWithDoubledSeparators)
{
    TemporaryDirectory directory;
    std::filesystem::create_directory(directory.path() + "/shaders");
    const std::string bytes("\x00\x01\xff\x00\x7f", 5);
    directory.write("shaders/blob.bin", bytes);
    directory.write("empty", "");
    for (const std::string& given : {directory.path() + "//", directory.path() + "/\\",
                                     directory.path() + "\\"}) {
        SCOPED_TRACE(given);
        Maris::ResourceLoader loader(given.c_str(), false);
        EXPECT_EQ(std::string(loader.GetResourceDirectory()), directory.path() + "/");
        for (bool text : {false, true}) {
            char* data = nullptr;
            std::size_t size = 7;
            ASSERT_TRUE(loader.LoadResource("/shaders\\blob.bin", data, size, text));
            EXPECT_EQ(std::string(data, size), bytes + (text ? std::string(1, '\0') : ""));
            loader.FreeResource(data);
            ASSERT_TRUE(loader.LoadResource("empty", data, size, text));
            EXPECT_EQ(size, text ? 1u : 0u);
            loader.FreeResource(data);
        }
    }
}

TEST(ResourceLoader, MissingResourcesAndDirectoriesReportTheFullPath)
{
    MessageCapture messages;
    TemporaryDirectory directory;
    std::filesystem::create_directory(directory.path() + "/sub");
    Maris::ResourceLoader loader((directory.path() + "//").c_str(), false);
    for (const char* name : {"absent.tga", "sub"}) {
        messages.clear();
        char* data = reinterpret_cast<char*>(&loader);
        std::size_t size = 99;
        EXPECT_FALSE(loader.LoadResource(name, data, size, false));
        EXPECT_EQ(data, nullptr);
        EXPECT_EQ(size, 0u);
        EXPECT_EQ(messages.texts(), (std::vector<std::string>{
                                        "Failed to load the following resource:",
                                        directory.path() + "/" + name}));
    }
    loader.FreeResource(nullptr);
}
