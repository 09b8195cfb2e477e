#include "content/powerline/PylonLabelFactory.h"

#include <osg/Billboard>
#include <osgText/Text>

namespace osgKELVO {

osg::ref_ptr<osg::MatrixTransform> PylonLabelFactory::create(const std::string& text, osgText::Font* font)
{
    osg::ref_ptr<osgText::Text> label = new osgText::Text;
    label->setFont(font);
    label->setFontResolution(256, 256);
    label->setColor(osg::Vec4(0.0f, 0.0f, 0.0f, 1.0f));
    label->setBackdropType(osgText::Text::OUTLINE);
    label->setBackdropColor(osg::Vec4(1.0f, 1.0f, 1.0f, 1.0f));
    label->setBackdropOffset(0.06f, 0.06f);
    label->setCharacterSize(10.0f);
    label->setAlignment(osgText::Text::CENTER_CENTER);
    // Last: every setter lays the text out again, and glyphs asked for at the default resolution
    // would be rendered and stored for nothing.
    label->setText(text);

    osg::ref_ptr<osg::Billboard> billboard = new osg::Billboard;
    billboard->setMode(osg::Billboard::POINT_ROT_EYE);
    billboard->setNormal(osg::Vec3(0.0f, 0.0f, 1.0f));
    billboard->getOrCreateStateSet()->setMode(GL_LIGHTING,
                                              osg::StateAttribute::OFF | osg::StateAttribute::PROTECTED);
    billboard->addDrawable(label);

    osg::ref_ptr<osg::MatrixTransform> transform =
        new osg::MatrixTransform(osg::Matrixd::translate(30.0, 0.0, 0.0));
    transform->addChild(billboard);
    return transform;
}

} // namespace osgKELVO
