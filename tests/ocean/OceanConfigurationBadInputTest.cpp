// Ocean configuration files with lines far over the line limit, lines that are no key = value pair,
// NUL bytes and keys given twice. The lines after a bad one are still read.

#include "MessageCapture.h"
#include "TemporaryDirectory.h"

#include "core/Configuration.h"
#include <Maris/ResourceLoader.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

class OceanConfigurationBadInput : public ::testing::Test
{
protected:
    bool load(const std::string& text)
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
    static int integer(const char* key)
    {
        int value = -12345;
        Maris::Configuration::GetIntValue(key, value);
        return value;
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

} // namespace

TEST_F(OceanConfigurationBadInput, LineOfFiveThousandCharactersIsCutAndReported)
{
    ASSERT_TRUE(load("fft-depth=1000\nshader-filename-prefix=" + std::string(5000, 'p') + "\nfoam-blend=0.25\n"));
    EXPECT_EQ(1000, integer("fft-depth"));
    EXPECT_EQ(std::string(1023 - 23, 'p'), text("shader-filename-prefix"));
    EXPECT_EQ("0.25", text("foam-blend")) << "the line after is read";
    EXPECT_EQ(std::vector<std::string>{overlong(2)}, messages.texts());
}

TEST_F(OceanConfigurationBadInput, KeyOfFiveThousandCharactersLeavesNoEntry)
{
    ASSERT_TRUE(load(std::string(5000, 'k') + "=1\nfoam-blend=0.25\n"));
    EXPECT_EQ(1u, Maris::Configuration::GetEntryCount()) << "the cut line holds no equals sign";
    EXPECT_EQ("0.25", text("foam-blend"));
    EXPECT_EQ((std::vector<std::string>{overlong(1), withoutEquals(1)}), messages.texts());
}

TEST_F(OceanConfigurationBadInput, TenMegabyteLinesAreCutWithoutDelay)
{
    const std::string huge(10u << 20, 'x');
    const auto begin = std::chrono::steady_clock::now();
    ASSERT_TRUE(load("a=" + huge + "\n" + huge + "\nb=2"));
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count(), 30.0);
    EXPECT_EQ(1021u, text("a").size());
    EXPECT_EQ(2, integer("b"));
    EXPECT_EQ((std::vector<std::string>{overlong(1), overlong(2), withoutEquals(2)}), messages.texts());
}

TEST_F(OceanConfigurationBadInput, LinesWithoutEqualsSignAreIgnoredAndReported)
{
    ASSERT_TRUE(load("# comment\nfft-depth 1000\n\nfoam-blend=0.25\nshininess=\n=5\n   \n"));
    EXPECT_EQ(-12345, integer("fft-depth")) << "no entry fft-depth1000 either";
    EXPECT_EQ("<absent>", text("fft-depth1000"));
    EXPECT_EQ("<absent>", text("shininess"));
    EXPECT_EQ("0.25", text("foam-blend"));
    EXPECT_EQ(1u, Maris::Configuration::GetEntryCount());
    EXPECT_EQ(std::vector<std::string>{withoutEquals(2)}, messages.texts())
        << "comments, blank lines and a key without value are no mistakes";
}

// NUL bytes vanish like the other control characters: the rest of the line and of the file are
// still read. Before, the first NUL ended the file.
TEST_F(OceanConfigurationBadInput, NulBytesVanishAndTheRestOfTheFileIsRead)
{
    ASSERT_TRUE(load(std::string("fft-\0depth=10\0" "00\nfoam-blend=0.25\n\0\0\0\nshininess=7\n", 49)));
    EXPECT_EQ(1000, integer("fft-depth"));
    EXPECT_EQ("0.25", text("foam-blend"));
    EXPECT_EQ(7, integer("shininess"));
    EXPECT_TRUE(messages.texts().empty());
}

TEST_F(OceanConfigurationBadInput, DuplicateKeysTakeTheLastValue)
{
    ASSERT_TRUE(load("shininess=3\nfoam-blend=0.25\nshininess=9\nshininess = 11 \n"));
    EXPECT_EQ(11, integer("shininess"));
    EXPECT_EQ(2u, Maris::Configuration::GetEntryCount());
}

TEST_F(OceanConfigurationBadInput, GarbageLoadsAndALaterGoodFileReplacesIt)
{
    ASSERT_TRUE(load(garbage(256 * 1024, 17)));
    Maris::Configuration::Unload();
    messages.clear();
    ASSERT_TRUE(load("shininess=3\n"));
    EXPECT_EQ(3, integer("shininess"));
    EXPECT_EQ(1u, Maris::Configuration::GetEntryCount());
    EXPECT_TRUE(messages.texts().empty());
}
