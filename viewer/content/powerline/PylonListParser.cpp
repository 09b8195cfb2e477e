#include "content/powerline/PylonListParser.h"

#include "util/CompleteLineReader.h"

#include <cstdlib>

namespace osgKELVO {

namespace {

double realField(const std::vector<std::string>& fields, std::size_t i)
{
    return static_cast<float>(std::atof(CompleteLineReader::field(fields, i).c_str()));
}

osg::Vec3d vectorField(const std::vector<std::string>& fields, std::size_t first)
{
    return osg::Vec3d(realField(fields, first), realField(fields, first + 1), realField(fields, first + 2));
}

} // namespace

std::vector<PylonRecord> PylonListParser::parse(std::istream& in)
{
    std::vector<PylonRecord> records;
    for (const std::string& line : CompleteLineReader::read(in))
        records.push_back(parseRecord(line));
    return records;
}

std::vector<PylonRecord> PylonListParser::parse(std::istream& in, const std::string& source)
{
    std::vector<PylonRecord> records;
    for (const std::string& line : CompleteLineReader::read(in, source, FieldCount))
        records.push_back(parseRecord(line));
    return records;
}

PylonRecord PylonListParser::parseRecord(const std::string& line)
{
    const std::vector<std::string> fields = CompleteLineReader::split(line);
    PylonRecord record;
    record.numberText = CompleteLineReader::field(fields, 0);
    record.number = std::atoi(record.numberText.c_str());
    record.blockName = CompleteLineReader::field(fields, 1);
    record.position = vectorField(fields, 2);
    record.headingGon = realField(fields, 5);
    record.tiltXGon = realField(fields, 6);
    record.tiltYGon = realField(fields, 7);
    record.frameTranslation = vectorField(fields, 8);
    record.target = vectorField(fields, 11);
    return record;
}

} // namespace osgKELVO
