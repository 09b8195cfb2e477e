#pragma once

#include <osg/Geode>
#include <osg/ref_ptr>

#include <string>

namespace osgKELVO {

// The key bindings shown in the help panel: a key column and a description column, drawn in
// white from the panel's top left corner.
class HelpText
{
public:
    static const char* fontFileName() { return "../Resources/Fonts/arial.ttf"; }

    // The two columns, lines separated by single line feeds (UTF-8).
    static std::string keyColumn();
    static std::string descriptionColumn();

    // The geode with both columns, or null (with a warning) when the font cannot be read.
    static osg::ref_ptr<osg::Geode> createGeode();
};

} // namespace osgKELVO
