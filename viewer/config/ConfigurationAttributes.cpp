#include "config/ConfigurationAttributes.h"

#include <tinyxml2.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace osgKELVO {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Whatever strto* left unread must be blank, so "12abc" is not a number.
bool onlyBlanksFrom(const char* p)
{
    while (*p && isBlank(*p))
        ++p;
    return *p == '\0';
}

bool startsWithDigitOrSign(const char* p, bool allowMinus)
{
    while (*p && isBlank(*p))
        ++p;
    if (*p == '+' || (allowMinus && *p == '-'))
        ++p;
    return *p >= '0' && *p <= '9';
}

} // namespace

bool ConfigurationAttributes::parseBool(const char* text, bool& value)
{
    if (!text)
        return false;
    int number = 0;
    if (parseInt(text, number)) {
        value = number != 0;
        return true;
    }
    if (std::strcmp(text, "true") == 0) {
        value = true;
        return true;
    }
    if (std::strcmp(text, "false") == 0) {
        value = false;
        return true;
    }
    return false;
}

bool ConfigurationAttributes::parseInt(const char* text, int& value)
{
    if (!text || !startsWithDigitOrSign(text, true))
        return false;
    errno = 0;
    char* end = nullptr;
    const long number = std::strtol(text, &end, 10);
    if (errno == ERANGE || end == text || !onlyBlanksFrom(end))
        return false;
    if (number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max())
        return false;
    value = static_cast<int>(number);
    return true;
}

bool ConfigurationAttributes::parseUnsigned(const char* text, unsigned& value)
{
    if (!text || !startsWithDigitOrSign(text, false))
        return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long number = std::strtoul(text, &end, 10);
    if (errno == ERANGE || end == text || !onlyBlanksFrom(end))
        return false;
    if (number > std::numeric_limits<unsigned>::max())
        return false;
    value = static_cast<unsigned>(number);
    return true;
}

bool ConfigurationAttributes::parseReal(const char* text, float& value)
{
    if (!text)
        return false;
    const char* p = text;
    while (*p && isBlank(*p))
        ++p;
    if (*p == '+' || *p == '-')
        ++p;
    // Decimal numbers only: no "nan", "inf" or hexadecimal floats.
    if (!((*p >= '0' && *p <= '9') || (*p == '.' && p[1] >= '0' && p[1] <= '9')))
        return false;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X'))
        return false;
    errno = 0;
    char* end = nullptr;
    const float number = std::strtof(text, &end);
    // Overflow gives infinity and is refused; underflow to a tiny or zero value is a value.
    if (end == text || !onlyBlanksFrom(end) || !std::isfinite(number))
        return false;
    value = number;
    return true;
}

bool ConfigurationAttributes::readBool(const tinyxml2::XMLElement* element, const char* name, bool& value)
{
    return element && parseBool(element->Attribute(name), value);
}

bool ConfigurationAttributes::readInt(const tinyxml2::XMLElement* element, const char* name, int& value)
{
    return element && parseInt(element->Attribute(name), value);
}

bool ConfigurationAttributes::readUnsigned(const tinyxml2::XMLElement* element, const char* name, unsigned& value)
{
    return element && parseUnsigned(element->Attribute(name), value);
}

bool ConfigurationAttributes::readReal(const tinyxml2::XMLElement* element, const char* name, float& value)
{
    return element && parseReal(element->Attribute(name), value);
}

bool ConfigurationAttributes::readString(const tinyxml2::XMLElement* element, const char* name, std::string& value)
{
    if (!element)
        return false;
    const char* text = element->Attribute(name);
    if (!text)
        return false;
    value = text;
    return true;
}

std::string ConfigurationAttributes::formatReal(float value)
{
    // The shortest text that reads back to the same float, in plain or exponent form, whichever is
    // shorter.
    char buffer[64];
    const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    return std::string(buffer, result.ptr);
}

void ConfigurationAttributes::writeBool(tinyxml2::XMLElement* element, const char* name, bool value)
{
    element->SetAttribute(name, value ? "1" : "0");
}

void ConfigurationAttributes::writeInt(tinyxml2::XMLElement* element, const char* name, int value)
{
    element->SetAttribute(name, std::to_string(value).c_str());
}

void ConfigurationAttributes::writeUnsigned(tinyxml2::XMLElement* element, const char* name, unsigned value)
{
    element->SetAttribute(name, std::to_string(value).c_str());
}

void ConfigurationAttributes::writeReal(tinyxml2::XMLElement* element, const char* name, float value)
{
    element->SetAttribute(name, formatReal(value).c_str());
}

void ConfigurationAttributes::writeString(tinyxml2::XMLElement* element, const char* name, const std::string& value)
{
    element->SetAttribute(name, value.c_str());
}

} // namespace osgKELVO
