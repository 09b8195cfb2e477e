#include "util/LabelFont.h"

#include <osgDB/FileUtils>

namespace osgKELVO {

osg::ref_ptr<osgText::Font> LabelFont::load(const std::string& path, const osgDB::Options* options)
{
    const std::string found = osgDB::findDataFile(path, options);
    if (found.empty())
        return nullptr;
    return osgText::readRefFontFile(found, options);
}

} // namespace osgKELVO
