#include "OceanScene.h"
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
#include <cstdlib>
#include <filesystem>
#include <string>
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

std::string pixelsOf(const Maris::TGALoader& image)
{
    return std::string(reinterpret_cast<const char*>(image.GetPixels()),
                       image.GetWidth() * image.GetHeight() * image.GetBitsPerPixel() / 8);
}

struct TGACase
{
    const char* name;
    std::string bytes;
};

// Loads each file into one image from the scene's directory.
class TGALoaderTest : public ::testing::Test
{
protected:
    bool load(const std::string& bytes, Maris::TGALoader& into)
    {
        scene.resources().write("image.tga", bytes);
        scene.messages().clear();
        return into.Load("image.tga", &scene.loader());
    }

    OceanScene scene{OceanScene::bareOptions("\n")};
};

// Files whose headers lie about sizes, types, depths or run lengths, and real files cut short.
std::vector<TGACase> lyingFiles()
{
    const std::string tenPixels(30, '\x40');
    // The most a small file can claim: 65535 x 65535 with all runs at their longest.
    std::string longestRuns;
    for (int i = 0; i < 4096; ++i)
        longestRuns += "\xff\x01\x02\x03\x04";
    // eye.l.tga ends in a footer after its pixels; dark_grey.tga ends with its last packet.
    const std::string withFooter = badinput::readFile(MARIS_TESTDATA_IMAGES "/eye.l.tga");
    const std::string bare = badinput::readFile(MARIS_TESTDATA_IMAGES "/dark_grey.tga");
    return {
        {"NoBytes", ""},
        {"HeaderCutShort", tga(2, 1, 1, 24, "").substr(0, 17)},
        {"HeaderOnly", tga(2, 1, 1, 24, "")},
        {"WiderThanItsData", tga(2, 100, 1, 24, tenPixels)},
        {"GreyLargerThanItsData", tga(3, 64, 64, 8, std::string(4095, '\x10'))},
        {"OnePixelShort", tga(2, 11, 1, 24, tenPixels)},
        {"ZeroWidth", tga(2, 0, 10, 24, tenPixels)},
        {"Huge", tga(2, 65535, 65535, 32, tenPixels)},
        {"HugeRunLengthOfLongestPackets", tga(10, 65535, 65535, 32, longestRuns)},
        {"ColourMapped", tga(1, 1, 1, 8, tenPixels)},
        {"RunLengthGrey", tga(11, 1, 1, 8, tenPixels)},
        {"SixteenBits", tga(2, 1, 1, 16, tenPixels)},
        {"SixtyFourBits", tga(2, 1, 1, 64, std::string(80, '\x40'))},
        {"IdFieldPastTheEnd", tga(2, 1, 1, 24, tenPixels, 255)},
        {"IdFieldLeavesTooLittle", tga(2, 2, 1, 24, tenPixels, 26)},
        // A count byte with the top bit set repeats one pixel, without it copies raw pixels.
        {"RepeatPacketWithoutItsPixel", tga(10, 4, 1, 24, "\x83\x01\x02")},
        {"RawPacketPastTheEnd", tga(10, 128, 1, 24, "\x7f" + tenPixels)},
        {"PacketsEndBeforeTheImage", tga(10, 9, 1, 24, "\x83\x01\x02\x03\x83\x01\x02\x03")},
        {"CountByteAtTheVeryEnd", tga(10, 2, 1, 24, "\x80\x01\x02\x03\x80")},
        {"RunLengthTooShortForItsSize", tga(10, 1024, 1024, 32, std::string(100, '\xff'))},
        {"RealRunLengthCutInHalf", withFooter.substr(0, withFooter.size() / 2)},
        {"RealRunLengthWithoutItsLastByte", bare.substr(0, bare.size() - 1)},
    };
}

class TGABadInput : public TGALoaderTest, public ::testing::WithParamInterface<TGACase> {};

} // namespace

// The lines after a bad one are still read; comments, blanks and empty values are not reported.
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

TEST_F(ConfigurationTest, NullKeysAreIgnoredAndGarbageLoadsUntilAGoodFileReplacesIt)
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

    // Garbage loads; a later good file replaces it and what was set before.
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
    // The second shares the loaded table; one that fails releases nothing it did not hold.
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

// Both switches are read at every call; an alert arrives on its own channel.
TEST(Message, SwitchesAreReadAtEveryCallAndTheDefaultHandlerWritesToStandardError)
{
    {
        MessageCapture messages;
        Maris::Message(nullptr);
        Maris::Configuration::SetConfigEntry("enable-debug-alert-messages", "yes");
        Maris::Message("both");
        ASSERT_EQ(messages.entries().size(), 2u);
        EXPECT_EQ(messages.entries()[0].channel, Maris::MessageChannel::Debug);
        EXPECT_EQ(messages.entries()[1].channel, Maris::MessageChannel::Alert);
        EXPECT_EQ(messages.entries()[1].line, "MARIS: both\n");
    }
    int calls = 0;
    Maris::SetMessageHandler([](Maris::MessageChannel, const char*, void* data) {
        ++*static_cast<int*>(data);
    }, &calls);
    EXPECT_EQ(Maris::GetMessageHandlerUserData(), &calls);
    Maris::Message("one");
    EXPECT_EQ(calls, 1);
    Maris::SetMessageHandler(nullptr, &calls);
    EXPECT_EQ(Maris::GetMessageHandlerUserData(), nullptr);

    // Debug lines reach standard error only with MARIS_DEBUG_OUTPUT set; alerts always do.
    const auto toStandardError = [](const char* text) {
        ::testing::internal::CaptureStderr();
        Maris::Message(text);
        return ::testing::internal::GetCapturedStderr();
    };
    const struct
    {
        const char* debugOutput; // MARIS_DEBUG_OUTPUT, or null for unset
        const char* debug;       // enable-debug-messages
        const char* alerts;      // enable-debug-alert-messages
        const char* written;
    } cases[] = {
        {nullptr, "true", "false", ""},
        {"", "true", "false", "MARIS: line\n"},
        {nullptr, "true", "true", "MARIS: line\n"},
        {"1", "true", "true", "MARIS: line\nMARIS: line\n"},
        {"1", "false", "false", ""},
        {"1", "false", "yes", "MARIS: line\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << (c.debugOutput ? c.debugOutput : "unset") << " "
                                          << c.debug << " " << c.alerts);
        if (c.debugOutput)
            setenv("MARIS_DEBUG_OUTPUT", c.debugOutput, 1);
        else
            unsetenv("MARIS_DEBUG_OUTPUT");
        Maris::Configuration::SetConfigEntry("enable-debug-messages", c.debug);
        Maris::Configuration::SetConfigEntry("enable-debug-alert-messages", c.alerts);
        EXPECT_EQ(toStandardError("line"), c.written);
    }
    unsetenv("MARIS_DEBUG_OUTPUT");
    MessageCapture::resetConfiguration();
    EXPECT_EQ(calls, 1);
}

TEST(ResourceLoader, DirectoryGetsOneTrailingSeparatorAndNoDoubledOnes)
{
    MessageCapture messages;
    const char* const cases[][2] = {
        {"../Resources/Sea", "../Resources/Sea/"}, {"Maris/", "Maris/"}, {"a//b///c", "a/b/c/"},
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

// Exact loads (text ones with a counted zero); what is missing is reported by its full path.
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

TEST(Allocator, EveryLibraryObjectAndBufferGoesBackToTheAllocatorItCameFrom)
{
    MessageCapture messages;
    TemporaryDirectory directory;
    directory.write("Maris.config", "default-visibility-below = 50\nlong-key-that-allocates = "
                                    "a value long enough to leave the small-string buffer\n");
    directory.write("image.tga", tga(2, 2, 1, 24, "\1\2\3\4\5\6"));
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

    // Blocks go back to their own allocator after the current one changes.
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

TEST_F(TGALoaderTest, PixelsAreDecodedAsRGBInStoredRowOrder)
{
    const struct
    {
        const char* name;
        std::string bytes, pixels;
    } cases[] = {
        {"true color turns from BGR into RGB", tga(2, 2, 1, 24, "\1\2\3\4\5\6"), "\3\2\1\6\5\4"},
        {"alpha stays in place", tga(2, 2, 1, 32, "\x0a\x14\x1e\x28\x32\x3c\x46\x50", 0, 8),
         "\x1e\x14\x0a\x28\x46\x3c\x32\x50"},
        // The top-left origin bit is ignored: rows keep the order of the file.
        {"grey is copied", tga(3, 3, 2, 8, "\1\2\3\xc8\xc9\xca", 0, 0x20), "\1\2\3\xc8\xc9\xca"},
        {"pixels follow the image id", tga(2, 1, 1, 24, "hello\7\10\11", 5), "\11\10\7"},
        // A run of three, two raw pixels, then a run of three that crosses into the second row.
        {"run-length packets cross row ends",
         tga(10, 4, 2, 24, "\x82\1\2\3\x01\4\5\6\7\10\11\x82\12\13\14"),
         "\3\2\1\3\2\1\3\2\1\6\5\4\11\10\7\14\13\12\14\13\12\14\13\12"},
        // One raw pixel, then a run of five of which only two fit: nothing goes past the end.
        {"a packet past the last pixel is cut", tga(10, 3, 1, 32, std::string("\0\1\2\3\4", 5) +
                                                                      "\x84\5\6\7\10"),
         "\3\2\1\4\7\6\5\10\7\6\5\10"},
    };
    Maris::TGALoader image;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(load(c.bytes, image));
        EXPECT_EQ(pixelsOf(image), c.pixels);
        EXPECT_TRUE(scene.messages().entries().empty());
    }
}

// Refused before the claimed size is allocated; the earlier image goes, the next one loads.
TEST_P(TGABadInput, IsRefusedWithoutAllocatingWhatTheHeaderClaims)
{
    const std::string bytes = GetParam().bytes;
    const std::string good = tga(2, 2, 1, 24, "\1\2\3\4\5\6");
    CountingAllocator allocations;
    Maris::TGALoader counted; // outlived by the allocator its blocks come from
    ASSERT_TRUE(load(good, counted));
    allocations.largest = 0;
    EXPECT_FALSE(load(bytes, counted));
    // A run-length file can honestly promise at most 128 pixels for each count byte and pixel.
    const bool runLength = bytes.size() > 2 && bytes[2] == 10;
    EXPECT_LE(allocations.largest, runLength ? 128 * bytes.size() : bytes.size() + 64)
        << "allocated for the header's size";
    EXPECT_EQ(scene.messages().texts(), std::vector<std::string>{"Invalid TGA header"});
    EXPECT_EQ(counted.GetPixels(), nullptr);
    EXPECT_EQ(counted.GetWidth() + counted.GetHeight() + counted.GetBitsPerPixel(), 0u);
    ASSERT_TRUE(load(good, counted));
    EXPECT_EQ(pixelsOf(counted), "\3\2\1\6\5\4");
}

INSTANTIATE_TEST_SUITE_P(Header, TGABadInput, ::testing::ValuesIn(lyingFiles()),
                         [](const auto& info) { return std::string(info.param.name); });
