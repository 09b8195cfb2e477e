#include "hud/HelpText.h"

#include "hud/ResourceFont.h"

#include <osg/Notify>
#include <osgText/Font>
#include <osgText/Text>

namespace osgKELVO {

namespace {

// Both columns side by side; an empty cell is an empty line. The description column ends with
// its last non-empty line.
const char* const keyLines[] = {
    "KELVOview",
    "",
    "Vänster musknapp + Dra",
    "J,L,I,K",
    "W,S,A,D,Q,Z",
    "+/-/Mus scrollhjul",
    "Tab",
    "",
    "1-9",
    "Alt + 1-9",
    "M",
    "",
    "F1",
    "F4",
    "F5",
    "F6",
    "F7",
    "F11",
    "F12",
    "",
    "Escape",
    "",
    "",
    "Tryck F1 för att stänga fönstret",
};

const char* const descriptionLines[] = {
    "",
    "",
    "Vrid vyn",
    "Vrid vyn (med tangenter)",
    "Flytta vyn",
    "Öka/minska rörelsehastighet",
    "Växla mellan fri och terrängföljande navigering",
    "",
    "Tänd eller släck lager 1-9",
    "Visa nästa alternativ i lager 1-9",
    "Visa koordinater under markören",
    "",
    "Visa den här hjälpen",
    "Visa geometri som ytor, linjer eller punkter",
    "Ljussättning",
    "Visa texturer",
    "Visa ytor dubbelsidigt",
    "Fullskärmsläge",
    "Spara skärmbild",
    "",
    "Avsluta",
};

template <std::size_t N>
std::string joinLines(const char* const (&lines)[N])
{
    std::string text;
    for (std::size_t i = 0; i < N; ++i) {
        if (i > 0)
            text += '\n';
        text += lines[i];
    }
    return text;
}

osg::ref_ptr<osgText::Text> createColumn(osgText::Font* font, const osg::Vec3& position, const std::string& text)
{
    osg::ref_ptr<osgText::Text> column = new osgText::Text;
    column->setFont(font);
    column->setFontResolution(36, 36);
    column->setCharacterSize(18.0f);
    column->setColor(osg::Vec4(1.0f, 1.0f, 1.0f, 1.0f));
    column->setAlignment(osgText::Text::LEFT_BASE_LINE);
    column->setPosition(position);
    column->setText(text, osgText::String::ENCODING_UTF8);
    return column;
}

} // namespace

std::string HelpText::keyColumn()
{
    return joinLines(keyLines);
}

std::string HelpText::descriptionColumn()
{
    return joinLines(descriptionLines);
}

osg::ref_ptr<osg::Geode> HelpText::createGeode()
{
    osg::ref_ptr<osgText::Font> font = readResourceFont(fontFileName());
    if (!font) {
        if (osg::isNotifyEnabled(osg::WARN))
            osg::notify(osg::WARN) << "Could not load font file" << std::endl;
        return nullptr;
    }

    // Positions are relative to the panel's top left corner: the first baseline lies 50 pixels
    // below the top edge, the descriptions 330 pixels right of the keys.
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(createColumn(font, osg::Vec3(50.0f, -50.0f, 0.0f), keyColumn()));
    geode->addDrawable(createColumn(font, osg::Vec3(380.0f, -50.0f, 0.0f), descriptionColumn()));
    geode->getOrCreateStateSet()->setMode(GL_LIGHTING, osg::StateAttribute::OFF | osg::StateAttribute::PROTECTED);
    return geode;
}

} // namespace osgKELVO
