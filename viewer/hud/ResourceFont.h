#pragma once

#include <osgText/Font>

#include <string>

namespace osgKELVO {

// Reads a font shipped in the runtime tree, or returns null when the file is not there. The text
// library would otherwise substitute whatever font the system's font configuration offers for the
// name, and a missing resource would go unnoticed.
osg::ref_ptr<osgText::Font> readResourceFont(const std::string& fileName);

} // namespace osgKELVO
