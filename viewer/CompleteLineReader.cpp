#include "CompleteLineReader.h"

#include <iterator>

namespace osgKELVO {

std::vector<std::string> CompleteLineReader::read(std::istream& in)
{
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    for (std::string::size_type end = text.find('\n'); end != std::string::npos;
         end = text.find('\n', start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
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
