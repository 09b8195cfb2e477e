#include "hud/CoordinateReadout.h"

#include "hud/ResourceFont.h"

#include <osg/Notify>
#include <osgText/Font>
#include <osgText/Text>

#include <iomanip>
#include <sstream>

namespace osgKELVO {

namespace {

osg::ref_ptr<osgText::Text> createLine(osgText::Font* font, float height, const char* text)
{
    osg::ref_ptr<osgText::Text> line =
        createHudText(font, osg::Vec3(0.0f, height, 0.0f), osgText::Text::LEFT_BOTTOM_BASE_LINE);
    // The texts change in the update traversal while a draw thread may still use them.
    line->setDataVariance(osg::Object::DYNAMIC);
    line->setText(text);
    return line;
}

void setLine(osg::Geode* geode, unsigned index, const std::string& text)
{
    if (index >= geode->getNumDrawables())
        return;
    osgText::Text* line = dynamic_cast<osgText::Text*>(geode->getDrawable(index));
    // Setting a text rebuilds its glyph quads; most frames show the same text as the last.
    if (line && line->getText().createUTF8EncodedString() != text)
        line->setText(text);
}

} // namespace

osg::ref_ptr<osg::Geode> CoordinateReadout::createTextGeode()
{
    osg::ref_ptr<osgText::Font> font = readHudFont();
    if (!font) {
        if (osg::isNotifyEnabled(osg::WARN))
            osg::notify(osg::WARN) << "Could not load coordinates font file" << std::endl;
        return nullptr;
    }

    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(createLine(font, 2.5f * hudCharacterSize, "X: 0.0"));
    geode->addDrawable(createLine(font, 1.25f * hudCharacterSize, "Y: 0.0"));
    geode->addDrawable(createLine(font, 0.0f, "Z: 0.0"));
    osg::StateSet* stateSet = geode->getOrCreateStateSet();
    stateSet->setDataVariance(osg::Object::DYNAMIC);
    stateSet->setMode(GL_LIGHTING, osg::StateAttribute::OFF | osg::StateAttribute::PROTECTED);
    return geode;
}

std::string CoordinateReadout::formatLine(const char* label, float value)
{
    std::ostringstream line;
    line << std::fixed << std::setprecision(1) << label << value;
    return line.str();
}

void CoordinateReadout::writeLines(osg::Geode* geode, const osg::Vec3f& point, bool useGeoCoords,
                                   const osg::Vec3f& offset)
{
    if (!geode)
        return;
    const float x = point.x() + offset.x();
    const float y = point.y() + offset.y();
    const float z = point.z() + offset.z();
    if (useGeoCoords) {
        setLine(geode, 0, formatLine("N: ", y));
        setLine(geode, 1, formatLine("E: ", x));
    } else {
        setLine(geode, 0, formatLine("X: ", x));
        setLine(geode, 1, formatLine("Y: ", y));
    }
    setLine(geode, 2, formatLine("Z: ", z));
}

} // namespace osgKELVO
