#include "MessageCapture.h"
#include "TemporaryDirectory.h"

#include "core/Configuration.h"
#include <Maris/Environment.h>
#include <Maris/ResourceLoader.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

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

    static int intValue(const char* key, int fallback = -12345)
    {
        Maris::Configuration::GetIntValue(key, fallback);
        return fallback;
    }
    static std::string text(const char* key)
    {
        const char* value = "<absent>";
        Maris::Configuration::GetStringValue(key, value);
        return value;
    }
    static bool boolValue(const char* key, bool fallback)
    {
        Maris::Configuration::GetBoolValue(key, fallback);
        return fallback;
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

TEST_F(ConfigurationTest, TextAfterASecondEqualsSignIsDropped)
{
    ASSERT_TRUE(loadText("fft-depth=1000=2\n"));
    EXPECT_EQ(intValue("fft-depth"), 1000);
    EXPECT_EQ(text("fft-depth"), "1000");
}

TEST_F(ConfigurationTest, EveryTypedViewOfOneValue)
{
    ASSERT_TRUE(loadText("shininess = 5.25\n"));
    int integer = 0;
    float single = 0.0f;
    double precise = 0.0;
    bool flag = true;
    EXPECT_TRUE(Maris::Configuration::GetIntValue("shininess", integer));
    EXPECT_TRUE(Maris::Configuration::GetFloatValue("shininess", single));
    EXPECT_TRUE(Maris::Configuration::GetDoubleValue("shininess", precise));
    EXPECT_TRUE(Maris::Configuration::GetBoolValue("shininess", flag));
    EXPECT_EQ(integer, 5);
    EXPECT_FLOAT_EQ(single, 5.25f);
    EXPECT_DOUBLE_EQ(precise, 5.25);
    EXPECT_FALSE(flag);
}

TEST_F(ConfigurationTest, CommentsAreWholeLinesEvenAfterBlanks)
{
    ASSERT_TRUE(loadText("#hidden=1\n   # also-hidden = 2\n\t#tabbed=3\nvisible = 4 # not a comment\n"));
    EXPECT_EQ(intValue("#hidden"), -12345);
    EXPECT_EQ(intValue("hidden"), -12345);
    EXPECT_EQ(intValue("also-hidden"), -12345);
    EXPECT_EQ(intValue("tabbed"), -12345);
    // A trailing note stays part of the value, blanks removed.
    EXPECT_EQ(text("visible"), "4#notacomment");
    EXPECT_EQ(intValue("visible"), 4);
    EXPECT_EQ(Maris::Configuration::GetEntryCount(), 1u);
}

TEST_F(ConfigurationTest, OnlyLowerCaseTrueAndYesAreTrue)
{
    ASSERT_TRUE(loadText("a=true\nb=yes\nc=True\nd=YES\ne=1\nf=on\ng=false\n"));
    EXPECT_TRUE(boolValue("a", false));
    EXPECT_TRUE(boolValue("b", false));
    EXPECT_FALSE(boolValue("c", true));
    EXPECT_FALSE(boolValue("d", true));
    EXPECT_FALSE(boolValue("e", true));
    EXPECT_EQ(intValue("e"), 1);
    EXPECT_FALSE(boolValue("f", true));
    EXPECT_FALSE(boolValue("g", true));
}

TEST_F(ConfigurationTest, BlanksControlCharactersTildeAndHighBytesVanishEverywhere)
{
    ASSERT_TRUE(loadText("wa\xC3\xA4ke~key = 5\r\n"
             "  spaced key\t=\t7 8 \r\n"
             "del\x7Fkey=9\n"
             "~=~\n"));
    EXPECT_EQ(intValue("wakekey"), 5);
    EXPECT_EQ(text("spacedkey"), "78");
    EXPECT_EQ(intValue("delkey"), 9);
    // "~=~" cleans to "=", which has neither key nor value.
    EXPECT_EQ(Maris::Configuration::GetEntryCount(), 3u);
}

TEST_F(ConfigurationTest, LinesWithoutKeyOrValueAreIgnoredAndLeadingEqualsSkipped)
{
    ASSERT_TRUE(loadText("novalue=\njustakey\n==lead=3\n=\n"));
    EXPECT_EQ(text("novalue"), "<absent>");
    EXPECT_EQ(text("justakey"), "<absent>");
    EXPECT_EQ(intValue("lead"), 3);
    EXPECT_EQ(Maris::Configuration::GetEntryCount(), 1u);
}

TEST_F(ConfigurationTest, KeysCompareExactly)
{
    ASSERT_TRUE(loadText("Shininess=3\n"));
    EXPECT_EQ(intValue("shininess"), -12345);
    EXPECT_EQ(intValue("Shininess"), 3);
    EXPECT_EQ(intValue("Shinines"), -12345);
}

TEST_F(ConfigurationTest, AFileWithoutFinalLineFeedKeepsItsLastLine)
{
    ASSERT_TRUE(loadText("last=8"));
    EXPECT_EQ(intValue("last"), 8);
}

TEST_F(ConfigurationTest, GettersWriteOnlyWhatTheyFind)
{
    ASSERT_TRUE(loadText("present=3\n"));
    int integer = 77;
    float single = 1.5f;
    double precise = 2.5;
    bool flag = true;
    const char* string = "default";
    EXPECT_FALSE(Maris::Configuration::GetIntValue("absent", integer));
    EXPECT_FALSE(Maris::Configuration::GetFloatValue("absent", single));
    EXPECT_FALSE(Maris::Configuration::GetDoubleValue("absent", precise));
    EXPECT_FALSE(Maris::Configuration::GetBoolValue("absent", flag));
    EXPECT_FALSE(Maris::Configuration::GetStringValue("absent", string));
    EXPECT_EQ(integer, 77);
    EXPECT_EQ(single, 1.5f);
    EXPECT_EQ(precise, 2.5);
    EXPECT_TRUE(flag);
    EXPECT_STREQ(string, "default");
}

TEST_F(ConfigurationTest, NullKeysAreReportedOnlyWhenThereIsATable)
{
    int value = 0;
    EXPECT_FALSE(Maris::Configuration::GetIntValue(nullptr, value));
    EXPECT_TRUE(messages.entries().empty());

    ASSERT_TRUE(loadText("x=1\n"));
    EXPECT_FALSE(Maris::Configuration::GetIntValue(nullptr, value));
    EXPECT_EQ(messages.texts(), std::vector<std::string>{
                                    "Null configuration key received in Configuration::GetConfigEntry"});
}

TEST_F(ConfigurationTest, SetConfigEntryIgnoresNullsAndReplacesValues)
{
    Maris::Configuration::SetConfigEntry(nullptr, "1");
    Maris::Configuration::SetConfigEntry("key", nullptr);
    EXPECT_EQ(Maris::Configuration::GetEntryCount(), 0u);
    Maris::Configuration::SetConfigEntry("key", "1");
    Maris::Configuration::SetConfigEntry("key", "yes");
    EXPECT_EQ(text("key"), "yes");
    EXPECT_TRUE(boolValue("key", false));
}

TEST_F(ConfigurationTest, LoadingReplacesWhatWasSetBefore)
{
    Maris::Configuration::SetConfigEntry("stale", "1");
    ASSERT_TRUE(loadText("fresh=2\n"));
    EXPECT_EQ(intValue("stale"), -12345);
    EXPECT_EQ(intValue("fresh"), 2);
}

TEST_F(ConfigurationTest, AMissingFileFailsAndHoldsNoReference)
{
    Maris::ResourceLoader loader(directory.path().c_str(), false);
    EXPECT_FALSE(Maris::Configuration::Load(&loader));
    EXPECT_EQ(Maris::Configuration::GetReferenceCount(), 0);
    const std::vector<std::string> texts = messages.texts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], "Failed to load the following resource:");
    EXPECT_EQ(texts[1], directory.path() + "/Maris.config");
    EXPECT_EQ(texts[2], "Could not load Maris.config from the given resources directory.");

    // The next load reads the file once it is there.
    directory.write("Maris.config", "x=5\n");
    EXPECT_TRUE(Maris::Configuration::Load(&loader));
    EXPECT_EQ(intValue("x"), 5);
    EXPECT_FALSE(Maris::Configuration::Load(nullptr));
    EXPECT_EQ(Maris::Configuration::GetReferenceCount(), 1);
}

TEST_F(ConfigurationTest, ReferenceCountingAcrossTwoEnvironments)
{
    directory.write("Maris.config", "default-visibility-below = 40\n");
    Maris::ResourceLoader loader(directory.path().c_str(), false);

    Maris::Environment* first = new Maris::Environment;
    ASSERT_EQ(first->Initialize(Maris::FlatZUp, Maris::NoRenderer, &loader, nullptr, false),
              Maris::EnvironmentInitialized);
    // The second environment shares the table already loaded instead of reading the file again.
    directory.write("Maris.config", "default-visibility-below = 60\n");
    Maris::Environment* second = new Maris::Environment;
    ASSERT_EQ(second->Initialize(Maris::FlatZUp, Maris::NoRenderer, &loader, nullptr, false),
              Maris::EnvironmentInitialized);
    EXPECT_EQ(Maris::Configuration::GetReferenceCount(), 2);
    EXPECT_DOUBLE_EQ(second->GetVisibilityBelowWater(), 40.0);

    delete first;
    EXPECT_EQ(intValue("default-visibility-below"), 40);
    delete second;
    EXPECT_EQ(Maris::Configuration::GetReferenceCount(), 0);
    EXPECT_EQ(Maris::Configuration::GetEntryCount(), 0u);

    // Once all are gone, the next environment reads the file afresh.
    Maris::Environment third;
    ASSERT_EQ(third.Initialize(Maris::FlatZUp, Maris::NoRenderer, &loader, nullptr, false),
              Maris::EnvironmentInitialized);
    EXPECT_DOUBLE_EQ(third.GetVisibilityBelowWater(), 60.0);
}

TEST_F(ConfigurationTest, AFailedEnvironmentReleasesNothingItDidNotHold)
{
    directory.write("Maris.config", "x=1\n");
    Maris::ResourceLoader loader(directory.path().c_str(), false);
    Maris::Environment working;
    ASSERT_EQ(working.Initialize(Maris::FlatZUp, Maris::NoRenderer, &loader, nullptr, false),
              Maris::EnvironmentInitialized);
    {
        Maris::Environment withoutLoader;
        EXPECT_EQ(withoutLoader.Initialize(Maris::FlatZUp, Maris::NoRenderer, nullptr, nullptr, false),
                  Maris::NullResourceLoader);
    }
    EXPECT_EQ(intValue("x"), 1);
    EXPECT_EQ(Maris::Configuration::GetReferenceCount(), 1);
}

// Files with lines far over the line limit, lines that are no key = value pair, NUL bytes and keys
// given twice: the lines after a bad one are still read.
TEST_F(ConfigurationTest, LineOfFiveThousandCharactersIsCutAndReported)
{
    ASSERT_TRUE(loadText("fft-depth=1000\nshader-filename-prefix=" + std::string(5000, 'p') + "\nfoam-blend=0.25\n"));
    EXPECT_EQ(1000, intValue("fft-depth"));
    EXPECT_EQ(std::string(1023 - 23, 'p'), text("shader-filename-prefix"));
    EXPECT_EQ("0.25", text("foam-blend")) << "the line after is read";
    EXPECT_EQ(std::vector<std::string>{overlong(2)}, messages.texts());
}

TEST_F(ConfigurationTest, KeyOfFiveThousandCharactersLeavesNoEntry)
{
    ASSERT_TRUE(loadText(std::string(5000, 'k') + "=1\nfoam-blend=0.25\n"));
    EXPECT_EQ(1u, Maris::Configuration::GetEntryCount()) << "the cut line holds no equals sign";
    EXPECT_EQ("0.25", text("foam-blend"));
    EXPECT_EQ((std::vector<std::string>{overlong(1), withoutEquals(1)}), messages.texts());
}

TEST_F(ConfigurationTest, TenMegabyteLinesAreCutWithoutDelay)
{
    const std::string huge(10u << 20, 'x');
    const auto begin = std::chrono::steady_clock::now();
    ASSERT_TRUE(loadText("a=" + huge + "\n" + huge + "\nb=2"));
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count(), 30.0);
    EXPECT_EQ(1021u, text("a").size());
    EXPECT_EQ(2, intValue("b"));
    EXPECT_EQ((std::vector<std::string>{overlong(1), overlong(2), withoutEquals(2)}), messages.texts());
}

TEST_F(ConfigurationTest, LinesWithoutEqualsSignAreIgnoredAndReported)
{
    ASSERT_TRUE(loadText("# comment\nfft-depth 1000\n\nfoam-blend=0.25\nshininess=\n=5\n   \n"));
    EXPECT_EQ(-12345, intValue("fft-depth")) << "no entry fft-depth1000 either";
    EXPECT_EQ("<absent>", text("fft-depth1000"));
    EXPECT_EQ("<absent>", text("shininess"));
    EXPECT_EQ("0.25", text("foam-blend"));
    EXPECT_EQ(1u, Maris::Configuration::GetEntryCount());
    EXPECT_EQ(std::vector<std::string>{withoutEquals(2)}, messages.texts())
        << "comments, blank lines and a key without value are no mistakes";
}

// NUL bytes vanish like the other control characters: the rest of the line and of the file are
// still read. Before, the first NUL ended the file.
TEST_F(ConfigurationTest, NulBytesVanishAndTheRestOfTheFileIsRead)
{
    ASSERT_TRUE(loadText(std::string("fft-\0depth=10\0" "00\nfoam-blend=0.25\n\0\0\0\nshininess=7\n", 49)));
    EXPECT_EQ(1000, intValue("fft-depth"));
    EXPECT_EQ("0.25", text("foam-blend"));
    EXPECT_EQ(7, intValue("shininess"));
    EXPECT_TRUE(messages.texts().empty());
}

TEST_F(ConfigurationTest, DuplicateKeysTakeTheLastValue)
{
    ASSERT_TRUE(loadText("shininess=3\nfoam-blend=0.25\nshininess=9\nshininess = 11 \n"));
    EXPECT_EQ(11, intValue("shininess"));
    EXPECT_EQ(2u, Maris::Configuration::GetEntryCount());
}

TEST_F(ConfigurationTest, GarbageLoadsAndALaterGoodFileReplacesIt)
{
    ASSERT_TRUE(loadText(garbage(256 * 1024, 17)));
    Maris::Configuration::Unload();
    messages.clear();
    ASSERT_TRUE(loadText("shininess=3\n"));
    EXPECT_EQ(3, intValue("shininess"));
    EXPECT_EQ(1u, Maris::Configuration::GetEntryCount());
    EXPECT_TRUE(messages.texts().empty());
}
