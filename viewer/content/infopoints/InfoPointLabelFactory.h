#pragma once

#include <osg/Vec3>
#include <osg/ref_ptr>
#include <osgText/Font>
#include <osgText/Text>

#include <string>

namespace osgKELVO {

// One information-point label from a line of a label file: text, size s, x, y, z. The text is
// 3s high and floats 4s above its point, so that larger labels stand higher.
class InfoPointLabelFactory
{
public:
    struct Label
    {
        osg::ref_ptr<osgText::Text> text;
        osg::Vec3 position;
        // Length of the text field as written; the text shown holds at most LongestText of it.
        std::size_t writtenLength = 0;
    };

    // A label is a place name. A longer field would be laid out glyph by glyph, megabytes of
    // geometry for one unreadable line: it is cut here.
    static constexpr std::size_t LongestText = 256;

    static Label create(const std::string& line, osgText::Font* font);
};

} // namespace osgKELVO
