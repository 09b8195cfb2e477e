#include "util/CompleteLineReader.h"

#include <osg/Notify>

#include <algorithm>
#include <iterator>

namespace osgKELVO {

namespace {

bool isBlankLine(const std::string& line)
{
    return std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t'; });
}

std::vector<std::string> readLines(std::istream& in, const std::string* source, std::size_t fieldCount)
{
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    unsigned number = 0;
    for (std::string::size_type end = text.find('\n'); end != std::string::npos;
         end = text.find('\n', start)) {
        ++number;
        std::string::size_type length = end - start;
        if (length > 0 && text[end - 1] == '\r')
            --length;
        std::string line = text.substr(start, length);
        start = end + 1;
        if (isBlankLine(line))
            continue;
        if (source) {
            const std::size_t fields = static_cast<std::size_t>(std::count(line.begin(), line.end(), ',')) + 1;
            if (fields < fieldCount)
                osg::notify(osg::WARN) << *source << " line " << number << " has " << fields << " of "
                                       << fieldCount << " fields; the missing ones read as 0" << std::endl;
        }
        lines.push_back(std::move(line));
    }
    if (source && start < text.size() && !isBlankLine(text.substr(start)))
        osg::notify(osg::WARN) << *source << " line " << number + 1
                               << " has no line break and is not read" << std::endl;
    return lines;
}

} // namespace

std::vector<std::string> CompleteLineReader::read(std::istream& in)
{
    return readLines(in, nullptr, 0);
}

std::vector<std::string> CompleteLineReader::read(std::istream& in, const std::string& source,
                                                  std::size_t fieldCount)
{
    return readLines(in, &source, fieldCount);
}

std::vector<std::string> CompleteLineReader::split(const std::string& line)
{
    std::vector<std::string> fields;
    std::string::size_type start = 0;
    for (std::string::size_type comma = line.find(','); comma != std::string::npos;
         comma = line.find(',', start)) {
        fields.push_back(line.substr(start, comma - start));
        start = comma + 1;
    }
    fields.push_back(line.substr(start));
    return fields;
}

const std::string& CompleteLineReader::field(const std::vector<std::string>& fields, std::size_t i)
{
    static const std::string empty;
    return i < fields.size() ? fields[i] : empty;
}

} // namespace osgKELVO
