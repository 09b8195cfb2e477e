#include "config/AttributeExchange.h"

#include "config/ConfigurationAttributes.h"

namespace osgKELVO {

using Attr = ConfigurationAttributes;

void AttributeReader::operator()(const char* name, bool& value)
{
    Attr::readBool(element, name, value);
}

void AttributeReader::operator()(const char* name, int& value)
{
    Attr::readInt(element, name, value);
}

void AttributeReader::operator()(const char* name, unsigned& value)
{
    Attr::readUnsigned(element, name, value);
}

void AttributeReader::operator()(const char* name, float& value)
{
    Attr::readReal(element, name, value);
}

void AttributeReader::operator()(const char* name, double& value)
{
    float real = 0.0f;
    if (Attr::readReal(element, name, real))
        value = real;
}

void AttributeReader::operator()(const char* name, std::string& value)
{
    Attr::readString(element, name, value);
}

void AttributeReader::required(const char* name, std::string& value)
{
    if (!Attr::readString(element, name, value))
        missing.emplace_back(name, &value);
}

bool AttributeReader::lacks(const std::string& field) const
{
    for (const auto& entry : missing)
        if (entry.second == &field)
            return true;
    return false;
}

void AttributeWriter::operator()(const char* name, bool value)
{
    Attr::writeBool(element, name, value);
}

void AttributeWriter::operator()(const char* name, int value)
{
    Attr::writeInt(element, name, value);
}

void AttributeWriter::operator()(const char* name, unsigned value)
{
    Attr::writeUnsigned(element, name, value);
}

void AttributeWriter::operator()(const char* name, float value)
{
    Attr::writeReal(element, name, value);
}

void AttributeWriter::operator()(const char* name, double value)
{
    Attr::writeReal(element, name, static_cast<float>(value));
}

void AttributeWriter::operator()(const char* name, const std::string& value)
{
    Attr::writeString(element, name, value);
}

} // namespace osgKELVO
