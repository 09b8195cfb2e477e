#include "hud/StatusText.h"

#include "hud/ResourceFont.h"

#include <osg/NodeCallback>
#include <osg/Notify>
#include <osgText/Text>

namespace osgKELVO {

namespace {

osgText::Text* statusTextOf(osg::Geode* geode)
{
    return geode && geode->getNumDrawables() ? dynamic_cast<osgText::Text*>(geode->getDrawable(0))
                                             : nullptr;
}

class StatusTextCallback : public osg::NodeCallback
{
public:
    explicit StatusTextCallback(StatusLine* status) : status(status) {}

    void operator()(osg::Node* node, osg::NodeVisitor* nv) override
    {
        osgText::Text* text = statusTextOf(node->asGeode());
        const std::string shown = status->at(nv->getFrameStamp()->getReferenceTime());
        // Compared with what was set last rather than re-encoded from the text every frame.
        if (text && shown != lastShown) {
            lastShown = shown;
            text->setText(shown, osgText::String::ENCODING_UTF8);
            // One line of the log, however many the display shows.
            std::string logged = shown;
            std::size_t at;
            while ((at = logged.find('\n')) != std::string::npos)
                logged.replace(at, 1, "; ");
            if (!logged.empty())
                osg::notify(osg::INFO) << "Status line: " << logged << std::endl;
        }
        traverse(node, nv);
    }

private:
    osg::ref_ptr<StatusLine> status;
    std::string lastShown;
};

} // namespace

osg::ref_ptr<osg::Geode> StatusText::createGeode(StatusLine* status)
{
    osg::ref_ptr<osgText::Font> font = readHudFont();
    if (!font) {
        osg::notify(osg::WARN) << "Could not load the status line's font file" << std::endl;
        return nullptr;
    }
    osg::ref_ptr<osgText::Text> text =
        createHudText(font, osg::Vec3(), osgText::Text::LEFT_BOTTOM_BASE_LINE);
    // Changed in the update traversal while a draw thread may still use it.
    text->setDataVariance(osg::Object::DYNAMIC);
    text->setBackdropType(osgText::Text::OUTLINE);
    text->setBackdropColor(osg::Vec4(0.0f, 0.0f, 0.0f, 1.0f));

    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(text);
    geode->getOrCreateStateSet()->setMode(
        GL_LIGHTING, osg::StateAttribute::OFF | osg::StateAttribute::PROTECTED);
    geode->setUpdateCallback(new StatusTextCallback(status));
    return geode;
}

void StatusText::setWidth(osg::Geode* geode, float width)
{
    if (osgText::Text* text = statusTextOf(geode))
        text->setMaximumWidth(width);
}

} // namespace osgKELVO
