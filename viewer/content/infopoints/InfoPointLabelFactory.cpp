#include "content/infopoints/InfoPointLabelFactory.h"

#include "util/CompleteLineReader.h"

#include <cstdlib>

namespace osgKELVO {

InfoPointLabelFactory::Label InfoPointLabelFactory::create(const std::string& line, osgText::Font* font)
{
    const std::vector<std::string> fields = CompleteLineReader::split(line);
    const int size = std::atoi(CompleteLineReader::field(fields, 1).c_str());
    const double x = std::atof(CompleteLineReader::field(fields, 2).c_str());
    const double y = std::atof(CompleteLineReader::field(fields, 3).c_str());
    const double z = std::atof(CompleteLineReader::field(fields, 4).c_str());

    const std::string& text = CompleteLineReader::field(fields, 0);
    Label label;
    label.writtenLength = text.size();
    label.text = new osgText::Text;
    label.text->setFont(font);
    label.text->setFontResolution(128, 128);
    label.text->setColor(osg::Vec4(1.0f, 1.0f, 1.0f, 1.0f));
    label.text->setCharacterSize(3.0f * size);
    label.text->setAlignment(osgText::Text::CENTER_CENTER);
    // Last: every setter lays the text out again, and glyphs asked for at the default resolution
    // would be rendered and stored for nothing.
    label.text->setText(text.size() > LongestText ? text.substr(0, LongestText) : text);
    label.position.set(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z + 4.0 * size));
    return label;
}

} // namespace osgKELVO
