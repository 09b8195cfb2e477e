#pragma once

#include <osg/Vec3>
#include <osgText/Font>
#include <osgText/Text>

#include <string>

namespace osgKELVO {

// Reads a font shipped in the runtime tree, or returns null when the file is not there. The text
// library would otherwise substitute whatever font the system's font configuration offers for the
// name, and a missing resource would go unnoticed.
osg::ref_ptr<osgText::Font> readResourceFont(const std::string& fileName);

// The font of the head-up display's texts, or null when the file is not there.
osg::ref_ptr<osgText::Font> readHudFont();

// The height of a line of the head-up display's texts, in pixels.
const float hudCharacterSize = 18.0f;

// An empty text in the look the head-up display's texts share: that font and size, white.
osg::ref_ptr<osgText::Text> createHudText(osgText::Font* font, const osg::Vec3& position,
                                          osgText::Text::AlignmentType alignment);

} // namespace osgKELVO
