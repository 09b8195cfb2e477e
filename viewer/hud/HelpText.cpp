#include "hud/HelpText.h"

#include "hud/ResourceFont.h"

#include <osg/Notify>
#include <osgText/Font>
#include <osgText/Text>

namespace osgKELVO {

namespace {

struct Row
{
    std::string keys;
    std::string description;
};

std::vector<Row> panelRows(const std::vector<HelpUsage::Line>& lines, const std::string& closeKeys)
{
    std::vector<Row> rows = {{"KELVOview", ""}, {"", ""}};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0 && lines[i].section != lines[i - 1].section)
            rows.push_back({"", ""});
        rows.push_back({lines[i].keys, lines[i].description});
    }
    rows.push_back({"", ""});
    rows.push_back({"", ""});
    rows.push_back({"Tryck " + closeKeys + " för att stänga fönstret", ""});
    return rows;
}

// One column's cells, lines separated by single line feeds; the column ends with its last
// non-empty cell.
std::string column(const std::vector<Row>& rows, std::string Row::*cell)
{
    std::size_t count = rows.size();
    while (count > 0 && (rows[count - 1].*cell).empty())
        --count;
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0)
            text += '\n';
        text += rows[i].*cell;
    }
    return text;
}

osg::ref_ptr<osgText::Text> createColumn(osgText::Font* font, const osg::Vec3& position, const std::string& text)
{
    osg::ref_ptr<osgText::Text> column =
        createHudText(font, position, osgText::Text::LEFT_BASE_LINE);
    column->setText(text, osgText::String::ENCODING_UTF8);
    return column;
}

} // namespace

osg::ref_ptr<osg::Geode> HelpText::createGeode(const std::vector<HelpUsage::Line>& lines, const std::string& closeKeys)
{
    osg::ref_ptr<osgText::Font> font = readHudFont();
    if (!font) {
        if (osg::isNotifyEnabled(osg::WARN))
            osg::notify(osg::WARN) << "Could not load font file" << std::endl;
        return nullptr;
    }

    // Positions are relative to the panel's top left corner: the first baseline lies 50 pixels
    // below the top edge, the descriptions 330 pixels right of the keys.
    const std::vector<Row> rows = panelRows(lines, closeKeys);
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(createColumn(font, osg::Vec3(50.0f, -50.0f, 0.0f), column(rows, &Row::keys)));
    geode->addDrawable(createColumn(font, osg::Vec3(380.0f, -50.0f, 0.0f), column(rows, &Row::description)));
    geode->getOrCreateStateSet()->setMode(GL_LIGHTING, osg::StateAttribute::OFF | osg::StateAttribute::PROTECTED);
    return geode;
}

} // namespace osgKELVO
