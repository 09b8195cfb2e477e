#include "hud/ResourceFont.h"

#include <osgDB/FileUtils>
#include <osgDB/Registry>

namespace osgKELVO {

osg::ref_ptr<osgText::Font> readResourceFont(const std::string& fileName)
{
    if (!osgDB::fileExists(fileName))
        return nullptr;
    return osgText::readRefFontFile(fileName, osgDB::Registry::instance()->getOptions());
}

osg::ref_ptr<osgText::Font> readHudFont()
{
    return readResourceFont("../Resources/Fonts/arial.ttf");
}

osg::ref_ptr<osgText::Text> createHudText(osgText::Font* font, const osg::Vec3& position,
                                          osgText::Text::AlignmentType alignment)
{
    osg::ref_ptr<osgText::Text> text = new osgText::Text;
    text->setFont(font);
    text->setFontResolution(36, 36);
    text->setCharacterSize(hudCharacterSize);
    text->setColor(osg::Vec4(1.0f, 1.0f, 1.0f, 1.0f));
    text->setAlignment(alignment);
    text->setPosition(position);
    return text;
}

} // namespace osgKELVO
