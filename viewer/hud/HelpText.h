#pragma once

#include "util/HelpUsage.h"

#include <osg/Geode>
#include <osg/ref_ptr>

#include <string>
#include <vector>

namespace osgKELVO {

// The help panel's text: a key column and a description column, drawn in white from the panel's
// top left corner. The title and an empty line, the lines the handlers declare with an empty line
// between sections, then two empty lines and how to close the panel.
class HelpText
{
public:
    // The geode with both columns for lines in the panel's order (HelpUsage::getLines) and the
    // keys that close the panel, or null (with a warning) when the font cannot be read.
    static osg::ref_ptr<osg::Geode> createGeode(const std::vector<HelpUsage::Line>& lines,
                                                const std::string& closeKeys);
};

} // namespace osgKELVO
