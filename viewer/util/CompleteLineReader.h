#pragma once

#include <istream>
#include <string>
#include <vector>

namespace osgKELVO {

// Reads the records of the viewer's plain-text data files: one record per line, and only lines
// that end with a line break count. A last line without one is an unfinished record and is dropped.
class CompleteLineReader
{
public:
    // The complete lines of the stream, without their line breaks. A carriage return before the
    // line feed is part of the break (files written on Windows), and lines holding nothing but
    // blanks are no records: they are dropped rather than read as a record of zeros.
    static std::vector<std::string> read(std::istream& in);

    // The same, and reports at WARN, naming the source and the line number, every line with fewer
    // than fieldCount fields (the missing ones read as zeros) and a last line without line break.
    static std::vector<std::string> read(std::istream& in, const std::string& source,
                                         std::size_t fieldCount);

    // The comma-separated fields of a line, unchanged (no trimming). An empty line gives one empty
    // field.
    static std::vector<std::string> split(const std::string& line);

    // Field i of a split line, or an empty text when the line has fewer fields: a short record
    // reads as zeros rather than failing.
    static const std::string& field(const std::vector<std::string>& fields, std::size_t i);
};

} // namespace osgKELVO
