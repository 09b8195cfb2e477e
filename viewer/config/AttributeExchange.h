#pragma once

#include <tinyxml2.h>

#include <string>
#include <utility>
#include <vector>

namespace osgKELVO {

// A configuration record is a struct whose field initializers are the values of missing
// attributes, with the name of its element and one function that pairs each attribute name with
// its field, in the order the attributes are written:
//
//     static constexpr const char* element = "Overlay";
//     template <class Record, class Attributes>
//     static void exchange(Record& record, Attributes& attributes)
//     {
//         attributes("useGeoCoords", record.useGeoCoords);
//         ...
//     }
//
// The same function reads (a non-const record and an AttributeReader) and writes (a const record
// and an AttributeWriter), so the two can never disagree on a name.

// Reads an element's attributes into a record; a missing or malformed attribute leaves its field as
// it was. A null element reads as one without attributes.
class AttributeReader
{
public:
    explicit AttributeReader(const tinyxml2::XMLElement* element) : element(element) {}

    void operator()(const char* name, bool& value);
    void operator()(const char* name, int& value);
    void operator()(const char* name, unsigned& value);
    void operator()(const char* name, float& value);
    // Parsed as a 32-bit real like every real of the file, then widened.
    void operator()(const char* name, double& value);
    void operator()(const char* name, std::string& value);
    // An attribute the record is of no use without; missing ones are remembered.
    void required(const char* name, std::string& value);

    // The last required attribute, in exchange order, that was not there; null when all were.
    const char* lastMissing() const { return missing.empty() ? nullptr : missing.back().first; }
    bool lacks(const std::string& field) const;

private:
    const tinyxml2::XMLElement* element;
    std::vector<std::pair<const char*, const std::string*>> missing;
};

// Sets an element's attributes from a record.
class AttributeWriter
{
public:
    explicit AttributeWriter(tinyxml2::XMLElement* element) : element(element) {}

    void operator()(const char* name, bool value);
    void operator()(const char* name, int value);
    void operator()(const char* name, unsigned value);
    void operator()(const char* name, float value);
    // Narrowed to the 32-bit real it was read as.
    void operator()(const char* name, double value);
    void operator()(const char* name, const std::string& value);
    void required(const char* name, const std::string& value) { (*this)(name, value); }

private:
    tinyxml2::XMLElement* element;
};

template <class Record>
void readAttributes(const tinyxml2::XMLElement* element, Record& record)
{
    AttributeReader reader(element);
    Record::exchange(record, reader);
}

template <class Record>
const tinyxml2::XMLElement* firstElement(const tinyxml2::XMLNode& parent)
{
    return parent.FirstChildElement(Record::element);
}

// A new element of the document holding the record; the caller inserts it.
template <class Record>
tinyxml2::XMLElement* newElement(tinyxml2::XMLDocument& document, const Record& record)
{
    tinyxml2::XMLElement* element = document.NewElement(Record::element);
    AttributeWriter writer(element);
    Record::exchange(record, writer);
    return element;
}

} // namespace osgKELVO
