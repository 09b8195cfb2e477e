#pragma once

#include <string>

namespace tinyxml2 {
class XMLElement;
}

namespace osgKELVO {

// Typed reading and writing of configuration attributes. A reader leaves its output untouched and
// returns false when the attribute is missing or its text is not a value of the type, so that the
// caller's default stands.
class ConfigurationAttributes
{
public:
    static bool parseBool(const char* text, bool& value);
    static bool parseInt(const char* text, int& value);
    static bool parseUnsigned(const char* text, unsigned& value);
    static bool parseReal(const char* text, float& value);

    static bool readBool(const tinyxml2::XMLElement* element, const char* name, bool& value);
    static bool readInt(const tinyxml2::XMLElement* element, const char* name, int& value);
    static bool readUnsigned(const tinyxml2::XMLElement* element, const char* name, unsigned& value);
    static bool readReal(const tinyxml2::XMLElement* element, const char* name, float& value);
    static bool readString(const tinyxml2::XMLElement* element, const char* name, std::string& value);

    // Shortest decimal text that reads back through parseReal to exactly the same float.
    static std::string formatReal(float value);

    static void writeBool(tinyxml2::XMLElement* element, const char* name, bool value);
    static void writeInt(tinyxml2::XMLElement* element, const char* name, int value);
    static void writeUnsigned(tinyxml2::XMLElement* element, const char* name, unsigned value);
    static void writeReal(tinyxml2::XMLElement* element, const char* name, float value);
    static void writeString(tinyxml2::XMLElement* element, const char* name, const std::string& value);
};

} // namespace osgKELVO
