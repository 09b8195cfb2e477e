#include "config/ConfigurationAttributes.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>

using osgKELVO::ConfigurationAttributes;

TEST(ConfigurationValueTypes, BoolAcceptsIntegersAndExactWords)
{
    bool value = false;
    EXPECT_TRUE(ConfigurationAttributes::parseBool("true", value));
    EXPECT_TRUE(value);
    EXPECT_TRUE(ConfigurationAttributes::parseBool("false", value));
    EXPECT_FALSE(value);
    EXPECT_TRUE(ConfigurationAttributes::parseBool("7", value));
    EXPECT_TRUE(value);
    EXPECT_TRUE(ConfigurationAttributes::parseBool("-3", value));
    EXPECT_TRUE(value);
    EXPECT_TRUE(ConfigurationAttributes::parseBool("0", value));
    EXPECT_FALSE(value);

    for (const char* text : {"yes", "True", "TRUE", "on", "", "1x", "t"}) {
        value = true;
        EXPECT_FALSE(ConfigurationAttributes::parseBool(text, value)) << text;
        EXPECT_TRUE(value) << "a rejected text must leave the value alone: " << text;
    }
}

TEST(ConfigurationValueTypes, IntIsOptionallySignedDecimal)
{
    int value = 42;
    EXPECT_TRUE(ConfigurationAttributes::parseInt("-17", value));
    EXPECT_EQ(-17, value);
    EXPECT_TRUE(ConfigurationAttributes::parseInt("+5", value));
    EXPECT_EQ(5, value);
    EXPECT_TRUE(ConfigurationAttributes::parseInt(" 12 ", value));
    EXPECT_EQ(12, value);
    for (const char* text : {"", "abc", "12abc", "1.5", "0x10", "99999999999", "-", "--1"}) {
        value = 42;
        EXPECT_FALSE(ConfigurationAttributes::parseInt(text, value)) << text;
        EXPECT_EQ(42, value) << text;
    }
}

TEST(ConfigurationValueTypes, UnsignedRejectsSigns)
{
    unsigned value = 9;
    EXPECT_TRUE(ConfigurationAttributes::parseUnsigned("4", value));
    EXPECT_EQ(4u, value);
    EXPECT_TRUE(ConfigurationAttributes::parseUnsigned("4294967295", value));
    EXPECT_EQ(4294967295u, value);
    for (const char* text : {"-1", "4294967296", "1e3", "x"}) {
        value = 9;
        EXPECT_FALSE(ConfigurationAttributes::parseUnsigned(text, value)) << text;
        EXPECT_EQ(9u, value);
    }
}

TEST(ConfigurationValueTypes, RealIsDecimalWithExponentIntoFloat)
{
    float value = 1.0f;
    EXPECT_TRUE(ConfigurationAttributes::parseReal("2.5e2", value));
    EXPECT_FLOAT_EQ(250.0f, value);
    EXPECT_TRUE(ConfigurationAttributes::parseReal("-.5", value));
    EXPECT_FLOAT_EQ(-0.5f, value);
    EXPECT_TRUE(ConfigurationAttributes::parseReal("0.1", value));
    EXPECT_EQ(0.1f, value) << "parsed in single precision";
    EXPECT_TRUE(ConfigurationAttributes::parseReal("-0", value));
    EXPECT_TRUE(std::signbit(value));
    for (const char* text : {"nan", "inf", "-inf", "1e39", "0x1p3", "1.5m", "", "."}) {
        value = 1.0f;
        EXPECT_FALSE(ConfigurationAttributes::parseReal(text, value)) << text;
        EXPECT_EQ(1.0f, value) << text;
    }
}

TEST(ConfigurationValueTypes, WrittenRealsReadBackExactly)
{
    std::mt19937 random(1234);
    std::uniform_int_distribution<std::uint32_t> bits;
    int checked = 0;
    while (checked < 20000) {
        const std::uint32_t b = bits(random);
        float value;
        std::memcpy(&value, &b, sizeof(value));
        if (!std::isfinite(value))
            continue;
        float back = 0.0f;
        const std::string text = ConfigurationAttributes::formatReal(value);
        ASSERT_TRUE(ConfigurationAttributes::parseReal(text.c_str(), back)) << text;
        ASSERT_EQ(0, std::memcmp(&value, &back, sizeof(value))) << text;
        ++checked;
    }
    EXPECT_EQ("0.8", ConfigurationAttributes::formatReal(0.8f));
    EXPECT_EQ("250", ConfigurationAttributes::formatReal(250.0f));
    EXPECT_EQ("-1792.9", ConfigurationAttributes::formatReal(-1792.9f));
}

TEST(ConfigurationValueTypes, StringsRoundTripWithEntities)
{
    tinyxml2::XMLDocument document;
    tinyxml2::XMLElement* element = document.NewElement("Window");
    document.InsertEndChild(element);
    ConfigurationAttributes::writeString(element, "title", "Väg & <bro> \"A\"");
    tinyxml2::XMLPrinter printer;
    document.Print(&printer);
    EXPECT_NE(std::string::npos, std::string(printer.CStr()).find("&amp;"));

    tinyxml2::XMLDocument reread(true, tinyxml2::PRESERVE_WHITESPACE);
    ASSERT_EQ(tinyxml2::XML_SUCCESS, reread.Parse(printer.CStr()));
    std::string title;
    EXPECT_TRUE(ConfigurationAttributes::readString(reread.FirstChildElement("Window"), "title", title));
    EXPECT_EQ("Väg & <bro> \"A\"", title);
    EXPECT_FALSE(ConfigurationAttributes::readString(reread.FirstChildElement("Window"), "missing", title));
}
