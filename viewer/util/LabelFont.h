#pragma once

#include <osg/ref_ptr>
#include <osgDB/Options>
#include <osgText/Font>

#include <string>

namespace osgKELVO {

// The label font, read through the registry's cache. Only the named file counts: the font
// plug-in would otherwise substitute a system font for a missing one, and the labels are meant to
// be left out when the shipped font is gone.
class LabelFont
{
public:
    static osg::ref_ptr<osgText::Font> load(const std::string& path, const osgDB::Options* options);
};

} // namespace osgKELVO
