#include "TestSupport.h"
#include "../bad-input/BadBytes.h"

#include "core/Configuration.h"
#include "core/DefaultRandomNumberGenerator.h"
#include "core/TGALoader.h"
#include <Maris/Containers.h>
#include <Maris/Environment.h>
#include <Maris/Memory.h>
#include <Maris/Message.h>
#include <Maris/ResourceLoader.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

class ConfigurationTest : public ::testing::Test
{
protected:
    // Loads the text as "Maris.config" from a fresh directory.
    bool loadText(const std::string& text)
    {
        directory.write("Maris.config", text);
        Maris::ResourceLoader loader(directory.path().c_str(), false);
        return Maris::Configuration::Load(&loader);
    }
    static std::string text(const char* key)
    {
        const char* value = "<absent>";
        Maris::Configuration::GetStringValue(key, value);
        return value;
    }
    Maris::Environment* environment(Maris::ResourceLoader* loader)
    {
        auto* made = new Maris::Environment;
        EXPECT_EQ(made->Initialize(Maris::FlatZUp, Maris::NoRenderer, loader, nullptr, false),
                  loader ? Maris::EnvironmentInitialized : Maris::NullResourceLoader);
        return made;
    }

    MessageCapture messages;
    TemporaryDirectory directory;
};

std::string overlong(int line)
{
    return "Maris.config line " + std::to_string(line) +
           " is longer than 1023 characters; only its first 1023 are read";
}

std::string withoutEquals(int line)
{
    return "Maris.config line " + std::to_string(line) + " has no \"=\" and is ignored";
}

struct ParseCase
{
    const char* name;
    std::string file;
    std::vector<std::pair<const char*, std::string>> values; // "<absent>" for no entry
    std::size_t entries;
    std::vector<std::string> messages;
};

} // namespace

// The lines after a bad one are still read; comments, blank lines and keys without values are no
// mistakes and are not reported.
TEST_F(ConfigurationTest, LinesParseAndBadOnesAreReportedByNumber)
{
    const std::string huge(10u << 20, 'x');
    const ParseCase cases[] = {
        {"second equals sign", "fft-depth=1000=2\n", {{"fft-depth", "1000"}}, 1, {}},
        {"whole-line comments", "#hidden=1\n   # also = 2\n\t#tabbed=3\nvisible = 4 # note\n",
         {{"#hidden", "<absent>"}, {"tabbed", "<absent>"}, {"visible", "4#note"}}, 1, {}},
        {"blanks, controls, tilde and high bytes vanish",
         "wa\xC3\xA4ke~key = 5\r\n  spaced key\t=\t7 8 \r\ndel\x7Fkey=9\n~=~\n",
         {{"wakekey", "5"}, {"spacedkey", "78"}, {"delkey", "9"}}, 3, {}},
        {"key or value missing", "novalue=\njustakey\n==lead=3\n=\n",
         {{"novalue", "<absent>"}, {"lead", "3"}}, 1, {withoutEquals(2)}},
        {"keys compare exactly", "Shininess=3", {{"Shininess", "3"}, {"shininess", "<absent>"}},
         1, {}},
        {"overlong value", "fft-depth=1000\nshader-filename-prefix=" + std::string(5000, 'p') +
                               "\nfoam-blend=0.25\n",
         {{"fft-depth", "1000"}, {"shader-filename-prefix", std::string(1000, 'p')},
          {"foam-blend", "0.25"}}, 3, {overlong(2)}},
        {"overlong key", std::string(5000, 'k') + "=1\nfoam-blend=0.25\n",
         {{"foam-blend", "0.25"}}, 1, {overlong(1), withoutEquals(1)}},
        {"ten-megabyte lines", "a=" + huge + "\n" + huge + "\nb=2",
         {{"a", std::string(1021, 'x')}, {"b", "2"}}, 2,
         {overlong(1), overlong(2), withoutEquals(2)}},
        // Before, the first NUL ended the file.
        {"NUL bytes",
         std::string("fft-\0depth=10\0" "00\nfoam-blend=0.25\n\0\0\0\nshininess=7\n", 49),
         {{"fft-depth", "1000"}, {"foam-blend", "0.25"}, {"shininess", "7"}}, 3, {}},
        {"the last of duplicate keys",
         "shininess=3\nfoam-blend=0.25\nshininess=9\nshininess = 11 \n",
         {{"shininess", "11"}}, 2, {}},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.name);
        MessageCapture::resetConfiguration();
        messages.clear();
        const auto begin = std::chrono::steady_clock::now();
        ASSERT_TRUE(loadText(c.file));
        EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count(),
                  30.0);
        for (const auto& [key, value] : c.values)
            EXPECT_EQ(text(key), value) << key;
        EXPECT_EQ(Maris::Configuration::GetEntryCount(), c.entries);
        EXPECT_EQ(messages.texts(), c.messages);
    }
}

TEST_F(ConfigurationTest, TypedViewsWriteOnlyWhatTheyFindAndOnlyLowerCaseTrueAndYesAreTrue)
{
    ASSERT_TRUE(loadText("shininess = 5.25\na=true\nb=yes\nc=True\nd=YES\ne=1\nf=on\n"));
    int integer = 7;
    float single = 0.0f;
    double precise = 0.0;
    EXPECT_FALSE(Maris::Configuration::GetIntValue("absent", integer));
    EXPECT_EQ(integer, 7);
    EXPECT_TRUE(Maris::Configuration::GetIntValue("shininess", integer));
    EXPECT_TRUE(Maris::Configuration::GetFloatValue("shininess", single));
    EXPECT_TRUE(Maris::Configuration::GetDoubleValue("shininess", precise));
    EXPECT_EQ(integer, 5);
    EXPECT_FLOAT_EQ(single, 5.25f);
    EXPECT_DOUBLE_EQ(precise, 5.25);
    for (const char* key : {"shininess", "a", "b", "c", "d", "e", "f"}) {
        bool value = false;
        EXPECT_TRUE(Maris::Configuration::GetBoolValue(key, value));
        EXPECT_EQ(value, key[0] == 'a' || key[0] == 'b') << key;
    }
}

TEST_F(ConfigurationTest, NullKeysAndValuesAreIgnoredAndReportedOnlyWhenThereIsATable)
{
    int value = 0;
    EXPECT_FALSE(Maris::Configuration::GetIntValue(nullptr, value));
    Maris::Configuration::SetConfigEntry(nullptr, "1");
    Maris::Configuration::SetConfigEntry("key", nullptr);
    EXPECT_EQ(Maris::Configuration::GetEntryCount(), 0u);
    EXPECT_TRUE(messages.entries().empty());

    Maris::Configuration::SetConfigEntry("key", "1");
    Maris::Configuration::SetConfigEntry("key", "yes");
    EXPECT_EQ(text("key"), "yes");
    EXPECT_FALSE(Maris::Configuration::GetIntValue(nullptr, value));
    EXPECT_EQ(messages.texts(), std::vector<std::string>{
                                    "Null configuration key received in "
                                    "Configuration::GetConfigEntry"});
}

// Garbage loads; a later good file replaces it and what was set before.
TEST_F(ConfigurationTest, GarbageLoadsAndALaterGoodFileReplacesIt)
{
    ASSERT_TRUE(loadText(badinput::garbage(256 * 1024, 17)));
    Maris::Configuration::Unload();
    Maris::Configuration::SetConfigEntry("stale", "1");
    messages.clear();
    ASSERT_TRUE(loadText("shininess=3\n"));
    EXPECT_EQ(text("shininess"), "3");
    EXPECT_EQ(Maris::Configuration::GetEntryCount(), 1u);
    EXPECT_TRUE(messages.texts().empty());
}

TEST_F(ConfigurationTest, EnvironmentsShareOneTableAndTheLastToGoReleasesIt)
{
    Maris::ResourceLoader loader(directory.path().c_str(), false);
    EXPECT_FALSE(Maris::Configuration::Load(&loader)) << "no file yet";
    EXPECT_FALSE(Maris::Configuration::Load(nullptr));
    EXPECT_EQ(Maris::Configuration::GetReferenceCount(), 0);
    directory.write("Maris.config", "default-visibility-below = 40\n");
    Maris::Environment* first = environment(&loader);
    // The second environment shares the table already loaded instead of reading the file again;
    // one that fails releases nothing it did not hold.
    directory.write("Maris.config", "default-visibility-below = 60\n");
    Maris::Environment* second = environment(&loader);
    delete environment(nullptr);
    EXPECT_EQ(Maris::Configuration::GetReferenceCount(), 2);
    EXPECT_DOUBLE_EQ(second->GetVisibilityBelowWater(), 40.0);
    delete first;
    EXPECT_EQ(text("default-visibility-below"), "40");
    delete second;
    EXPECT_EQ(Maris::Configuration::GetReferenceCount(), 0);
    EXPECT_EQ(Maris::Configuration::GetEntryCount(), 0u);

    // Once all are gone, the next environment reads the file afresh.
    Maris::Environment* third = environment(&loader);
    EXPECT_DOUBLE_EQ(third->GetVisibilityBelowWater(), 60.0);
    delete third;
}

TEST(Message, TheTwoSwitchesAreReadAtEveryCall)
{
    MessageCapture messages;
    Maris::Message(nullptr);
    Maris::Message("something happened");
    ASSERT_EQ(messages.entries().size(), 1u);
    EXPECT_EQ(messages.entries()[0].channel, Maris::MessageChannel::Debug);
    EXPECT_EQ(messages.entries()[0].line, "MARIS: something happened\n");

    messages.clear();
    Maris::Configuration::SetConfigEntry("enable-debug-messages", "false");
    Maris::Message("silenced");
    EXPECT_TRUE(messages.entries().empty());
    Maris::Configuration::SetConfigEntry("enable-debug-alert-messages", "yes");
    Maris::Message("alert only");
    ASSERT_EQ(messages.entries().size(), 1u);
    EXPECT_EQ(messages.entries()[0].channel, Maris::MessageChannel::Alert);
    EXPECT_EQ(messages.entries()[0].line, "MARIS: alert only\n");

    messages.clear();
    Maris::Configuration::SetConfigEntry("enable-debug-messages", "true");
    Maris::Message("both");
    ASSERT_EQ(messages.entries().size(), 2u);
    EXPECT_EQ(messages.entries()[1].channel, Maris::MessageChannel::Alert);
}

TEST(Message, HandlerReceivesItsUserDataAndNullRestoresTheDefault)
{
    int calls = 0;
    Maris::SetMessageHandler([](Maris::MessageChannel, const char*, void* data) {
        ++*static_cast<int*>(data);
    }, &calls);
    EXPECT_EQ(Maris::GetMessageHandlerUserData(), &calls);
    Maris::Message("one");
    EXPECT_EQ(calls, 1);
    Maris::SetMessageHandler(nullptr, &calls);
    EXPECT_EQ(Maris::GetMessageHandlerUserData(), nullptr);

    // The default handler keeps debug lines to itself unless MARIS_DEBUG_OUTPUT is set; alerts,
    // which stand for dialogs, always reach standard error.
    const auto toStandardError = [](const char* text) {
        std::fflush(stderr);
        const int saved = dup(STDERR_FILENO);
        char path[] = "/tmp/maris-stderr-XXXXXX";
        const int file = mkstemp(path);
        dup2(file, STDERR_FILENO);
        Maris::Message(text);
        std::fflush(stderr);
        dup2(saved, STDERR_FILENO);
        close(saved);
        char buffer[128] = {};
        const ssize_t length = pread(file, buffer, sizeof(buffer) - 1, 0);
        close(file);
        unlink(path);
        return std::string(buffer, length > 0 ? length : 0);
    };
    const struct
    {
        const char* debugOutput; // MARIS_DEBUG_OUTPUT, or null for unset
        const char* alerts;      // enable-debug-alert-messages
        const char* written;
    } cases[] = {
        {nullptr, "false", ""},
        {"", "false", "MARIS: line\n"},
        {"1", "false", "MARIS: line\n"},
        {nullptr, "true", "MARIS: line\n"},
        {"1", "true", "MARIS: line\nMARIS: line\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.debugOutput ? c.debugOutput : "unset") + " " + c.alerts);
        if (c.debugOutput)
            setenv("MARIS_DEBUG_OUTPUT", c.debugOutput, 1);
        else
            unsetenv("MARIS_DEBUG_OUTPUT");
        Maris::Configuration::SetConfigEntry("enable-debug-alert-messages", c.alerts);
        EXPECT_EQ(toStandardError("line"), c.written);
    }
    unsetenv("MARIS_DEBUG_OUTPUT");
    Maris::Configuration::SetConfigEntry("enable-debug-alert-messages", "false");
    EXPECT_EQ(calls, 1);
}

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

// Text loads end with a counted zero; binary loads are exact, zeros and all; names may use either
// separator. A missing file or a directory is reported with its full path.
TEST(ResourceLoader, FilesLoadExactlyAndMissingOnesAreReportedByTheirPath)
{
    MessageCapture messages;
    TemporaryDirectory directory;
    std::filesystem::create_directory(directory.path() + "/shaders");
    const std::string bytes("\x00\x01\xff\x00\x7f", 5);
    directory.write("shaders/blob.bin", bytes);
    directory.write("empty", "");
    Maris::ResourceLoader loader((directory.path() + "\\").c_str(), false);
    char* data = nullptr;
    std::size_t size = 7;
    for (bool text : {false, true}) {
        ASSERT_TRUE(loader.LoadResource("/shaders\\blob.bin", data, size, text));
        EXPECT_EQ(std::string(data, size), bytes + (text ? std::string(1, '\0') : ""));
        loader.FreeResource(data);
        ASSERT_TRUE(loader.LoadResource("empty", data, size, text));
        EXPECT_EQ(size, text ? 1u : 0u);
        loader.FreeResource(data);
    }
    for (const char* name : {"absent.tga", "shaders"}) {
        messages.clear();
        data = reinterpret_cast<char*>(&loader);
        EXPECT_FALSE(loader.LoadResource(name, data, size, false));
        EXPECT_EQ(data, nullptr);
        EXPECT_EQ(size, 0u);
        EXPECT_EQ(messages.texts(), (std::vector<std::string>{
                                        "Failed to load the following resource:",
                                        directory.path() + "/" + name}));
    }
    loader.FreeResource(nullptr);
}

TEST(Allocator, EveryLibraryObjectAndBufferGoesThroughTheCurrentAllocator)
{
    MessageCapture messages;
    TemporaryDirectory directory;
    directory.write("Maris.config", "default-visibility-below = 50\nlong-key-name-that-allocates = "
                                    "a value long enough to leave the small-string buffer\n");
    directory.write("image.tga", tga(2, 2, 1, 24, "\1\2\3\4\5\6"));
    EXPECT_EQ(Maris::Allocator::GetCurrent(), Maris::Allocator::GetDefault());
    {
        CountingAllocator counting;
        // Each step must draw at least one block from the counting allocator.
        int before = 0;
        auto drew = [&](const char* what) {
            EXPECT_GT(counting.allocations, before) << what;
            before = counting.allocations;
        };
        auto* loader = new Maris::ResourceLoader(directory.path().c_str(), false);
        drew("resource loader");
        auto* environment = new Maris::Environment;
        drew("environment");
        ASSERT_EQ(environment->Initialize(Maris::FlatZUp, Maris::OpenGL2, loader, nullptr, false),
                  Maris::EnvironmentInitialized);
        drew("configuration table and frustum");
        environment->SimulateSeaState(5.0, 1.0);
        drew("wind fetch list");
        auto* image = new Maris::TGALoader;
        drew("TGA loader");
        ASSERT_TRUE(image->Load("image.tga", loader));
        drew("pixels");
        char* text = nullptr;
        std::size_t size = 0;
        ASSERT_TRUE(loader->LoadResource("Maris.config", text, size, true));
        drew("resource buffer");
        {
            Maris::Vector<double> values(1000, 1.0);
            drew("vector");
            Maris::String longText(200, 'x');
            drew("string");
            Maris::List<int> list{1, 2, 3};
            drew("list");
        }
        loader->FreeResource(text);
        delete image;
        delete environment;
        delete loader;
        // Everything went back to the allocator it came from: nothing lost, nothing foreign.
        EXPECT_TRUE(counting.live.empty()) << counting.live.size() << " blocks not freed";
        EXPECT_EQ(counting.foreignFrees, 0);
    }
    EXPECT_EQ(Maris::Allocator::GetCurrent(), Maris::Allocator::GetDefault());
}

TEST(Allocator, BlocksReturnToTheirOwnAllocatorAfterTheCurrentOneChanges)
{
    CountingAllocator first;
    auto* generator = new Maris::DefaultRandomNumberGenerator;
    void* block = Maris::AllocateMemory(17);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % alignof(std::max_align_t), 0u);
    {
        CountingAllocator second;
        delete generator;
        Maris::FreeMemory(block);
        EXPECT_EQ(second.allocations + second.frees, 0);
    }
    EXPECT_EQ(first.allocations, 2);
    EXPECT_TRUE(first.live.empty());
    EXPECT_EQ(first.foreignFrees, 0);
    Maris::FreeMemory(nullptr);
}
