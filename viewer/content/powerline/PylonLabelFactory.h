#pragma once

#include <osg/MatrixTransform>
#include <osg/ref_ptr>
#include <osgText/Font>

#include <string>

namespace osgKELVO {

// The number label beside a pylon: black text with a white outline on a billboard that turns to
// the eye, unlit whatever the scene's lighting, 30 units beside the pylon's origin.
class PylonLabelFactory
{
public:
    static osg::ref_ptr<osg::MatrixTransform> create(const std::string& text, osgText::Font* font);
};

} // namespace osgKELVO
