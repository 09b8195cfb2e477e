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

} // namespace osgKELVO
