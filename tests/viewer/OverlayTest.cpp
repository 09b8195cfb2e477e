#include "ViewerHarness.h"

#include "app/KELVOview.h"

#include <gtest/gtest.h>
#include <osg/ComputeBoundsVisitor>
#include <osg/DrawPixels>
#include <osg/Geode>
#include <osg/Geometry>
#include <osg/Switch>
#include <osgDB/ReadFile>
#include <osgDB/Registry>
#include <osgText/Text>

#include <cstring>
#include <sstream>

using osgKELVO::OverlayController;

namespace {

// Window-pixel box of everything under one of the overlay's transforms; an image drawn as pixels
// covers its size from its position (its own bound is a cube around it).
class PixelExtent : public osg::ComputeBoundsVisitor
{
public:
    using osg::ComputeBoundsVisitor::apply;
    void apply(osg::Drawable& drawable) override
    {
        const osg::DrawPixels* pixels = dynamic_cast<const osg::DrawPixels*>(&drawable);
        if (!pixels || !pixels->getImage())
            return osg::ComputeBoundsVisitor::apply(drawable);
        const osg::Vec3 at = pixels->getPosition();
        applyBoundingBox(osg::BoundingBox(at, at + osg::Vec3(pixels->getImage()->s(), pixels->getImage()->t(), 0)));
    }
};

osg::BoundingBox extent(osg::Node* transform)
{
    PixelExtent bounds;
    transform->accept(bounds);
    return bounds.getBoundingBox();
}

bool inside(const osg::BoundingBox& box, int width, int height)
{
    return box.valid() && box.xMin() >= 0 && box.yMin() >= 0 && box.xMax() <= width && box.yMax() <= height;
}

bool covers(const osg::BoundingBox& panel, const osg::BoundingBox& text)
{
    return text.valid() && text.xMin() >= panel.xMin() && text.xMax() <= panel.xMax() &&
           text.yMin() >= panel.yMin() && text.yMax() <= panel.yMax();
}

bool overlap(const osg::BoundingBox& a, const osg::BoundingBox& b)
{
    return a.xMin() < b.xMax() && b.xMin() < a.xMax() && a.yMin() < b.yMax() && b.yMin() < a.yMax();
}

const osgText::Text* helpColumn(const OverlayController& overlay, unsigned i)
{
    const osg::Geode* geode = overlay.getHelpTextTransform()->getChild(0)->asGeode();
    return dynamic_cast<const osgText::Text*>(geode->getDrawable(i));
}

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

osg::Switch* logoSwitch(const OverlayController& overlay)
{
    return overlay.getLogoTransform()->getChild(0)->asSwitch();
}

} // namespace

// Every panel lies inside the window and none covers another (the help panel lies over them in the
// middle), in the window as opened and after a resize whose event claims another size than the
// window's own.
TEST(OverlayLayout, PanelsLieInsideTheWindowWithoutOverlapAtTwoSizes)
{
    HudTestWindow hud;
    hud.open(1280, 1024);
    OverlayController& overlay = hud.overlay();
    ASSERT_TRUE(overlay.isInitialized());
    osg::Camera* camera = overlay.getHudCamera();
    ASSERT_TRUE(camera);
    EXPECT_EQ(osg::Camera::POST_RENDER, camera->getRenderOrder()) << "drawn over the scene";

    for (const osg::Vec2i size : {osg::Vec2i(1280, 1024), osg::Vec2i(1000, 700)}) {
        SCOPED_TRACE(std::to_string(size.x()) + " x " + std::to_string(size.y()));
        if (size.x() != 1280) {
            hud.window()->resized(0, 0, size.x(), size.y());
            hud.window()->getEventQueue()->windowResize(0, 0, 321, 123);
            hud.frame();
        }
        EXPECT_EQ(size.x(), overlay.getWindowWidth());
        EXPECT_EQ(size.y(), overlay.getWindowHeight());
        EXPECT_EQ(size.x(), camera->getViewport()->width());
        EXPECT_EQ(size.y(), camera->getViewport()->height());

        const std::vector<std::pair<const char*, osg::Node*>> panels = {
            {"coordinates", overlay.getCoordinatesPanelTransform()}, {"compass", overlay.getCompassTransform()},
            {"logo", overlay.getLogoTransform()}, {"legend", overlay.getLegendTransform()}};
        for (std::size_t i = 0; i < panels.size(); ++i) {
            const osg::BoundingBox box = extent(panels[i].second);
            EXPECT_TRUE(inside(box, size.x(), size.y())) << panels[i].first;
            for (std::size_t j = 0; j < i; ++j)
                EXPECT_FALSE(overlap(box, extent(panels[j].second))) << panels[i].first << " and " << panels[j].first;
        }
        // The help panel lies over the others, in the middle of the window.
        const osg::BoundingBox help = extent(overlay.getHelpPanelTransform());
        EXPECT_TRUE(inside(help, size.x(), size.y()));
        EXPECT_FLOAT_EQ(size.x() / 2.0f, help.center().x());
        EXPECT_FLOAT_EQ(size.y() / 2.0f, help.center().y());
        EXPECT_TRUE(covers(extent(overlay.getHelpPanelTransform()), extent(overlay.getHelpTextTransform())))
            << "the help text lies on its panel";
        EXPECT_TRUE(covers(extent(overlay.getCoordinatesPanelTransform()),
                           extent(overlay.getCoordinatesTextTransform())));
    }
}

TEST(OverlayLogo, FollowsTheBackgroundLuminanceAtEachLayout)
{
    HudTestWindow hud;
    hud.camera()->setClearColor(osg::Vec4(0, 0, 0, 1));
    hud.open(1280, 1024);
    OverlayController& overlay = hud.overlay();
    osg::Switch* logo = logoSwitch(overlay);
    ASSERT_EQ(2u, logo->getNumChildren());
    EXPECT_FALSE(logo->getValue(0)) << "black background: dark logo";
    EXPECT_TRUE(logo->getValue(1));

    hud.camera()->setClearColor(osg::Vec4(1, 1, 1, 1));
    hud.frame();
    EXPECT_TRUE(logo->getValue(1)) << "a new background shows only at the next layout";
    overlay.layout(1280, 1024);
    EXPECT_TRUE(logo->getValue(0)) << "white background: light logo";
    EXPECT_FALSE(logo->getValue(1));
}

TEST(OverlayLogo, BothLogosAreImagesDrawnUnscaled)
{
    HudTestWindow hud;
    hud.open(1280, 1024);
    osg::Switch* logo = logoSwitch(hud.overlay());
    const char* files[] = {"../Resources/Images/Logo_light.png", "../Resources/Images/Logo_dark.png"};
    for (unsigned i = 0; i < 2; ++i) {
        const osg::Geode* geode = logo->getChild(i)->asGeode();
        ASSERT_TRUE(geode);
        const osg::DrawPixels* pixels = dynamic_cast<const osg::DrawPixels*>(geode->getDrawable(0));
        ASSERT_TRUE(pixels && pixels->getImage());
        EXPECT_EQ(osg::Vec3(0, 0, 0), pixels->getPosition());
        osg::ref_ptr<osg::Image> file = osgDB::readRefImageFile(files[i]);
        ASSERT_TRUE(file);
        const osg::Image* shown = pixels->getImage();
        ASSERT_EQ(file->s(), shown->s());
        ASSERT_EQ(file->t(), shown->t());
        ASSERT_EQ(file->getTotalSizeInBytes(), shown->getTotalSizeInBytes());
        EXPECT_EQ(0, std::memcmp(file->data(), shown->data(), file->getTotalSizeInBytes())) << files[i];
    }
}

TEST(OverlayHelp, ColumnsHoldTheKeysAndTheirDescriptionsLineByLine)
{
    // The panel lists the keys the program's handlers declare, so the program itself is built, in
    // the window's runtime tree and without a configuration.
    HudTestWindow hud;
    hud.tree().removeConfiguration();
    osg::ref_ptr<osgKELVO::KELVOview> app = new osgKELVO::KELVOview;
    app->getViewer().setThreadingModel(osgViewer::ViewerBase::SingleThreaded);
    app->build();
    app->getViewer().frame();
    const OverlayController& overlay = *app->getOverlayController();
    const osgText::Text* keys = helpColumn(overlay, 0);
    const osgText::Text* descriptions = helpColumn(overlay, 1);
    ASSERT_TRUE(keys && descriptions);

    const std::vector<std::string> expectedKeys = {
        "KELVOview", "", "Vänster musknapp + Dra", "J,L,I,K", "W,S,A,D,Q,Z", "+/-/Mus scrollhjul", "Tab", "",
        "1-9", "Alt + 1-9", "M", "", "F1", "F4", "F5", "F6", "F7", "F11", "F12", "", "Escape", "", "",
        "Tryck F1 för att stänga fönstret"};
    const std::vector<std::string> expectedDescriptions = {
        "", "", "Vrid vyn", "Vrid vyn (med tangenter)", "Flytta vyn", "Öka/minska rörelsehastighet",
        "Växla mellan fri och terrängföljande navigering", "", "Tänd eller släck lager 1-9",
        "Visa nästa alternativ i lager 1-9", "Visa koordinater under markören", "", "Visa den här hjälpen",
        "Visa geometri som ytor, linjer eller punkter", "Ljussättning", "Visa texturer", "Visa ytor dubbelsidigt",
        "Fullskärmsläge", "Spara skärmbild", "", "Avsluta"};

    const std::string keyText = HudTestWindow::utf8(*keys);
    const std::string descriptionText = HudTestWindow::utf8(*descriptions);
    EXPECT_EQ(expectedKeys, splitLines(keyText));
    EXPECT_EQ(expectedDescriptions, splitLines(descriptionText));
    EXPECT_NE('\n', keyText.back()) << "no line feed after the last line";
    EXPECT_EQ(0u, descriptionText.rfind("\n\nVrid vyn", 0)) << "the descriptions begin with two line feeds";

    // The viewer holds the program as its first handler; let go of both, and leave the later
    // tests of this process reading files uncached.
    app->getViewer().removeEventHandler(app.get());
    osgDB::Registry::instance()->setOptions(nullptr);
}

TEST(OverlayHelp, F1TwiceHidesAndShowsWithMaskOne)
{
    HudTestWindow hud;
    hud.open(1280, 1024);
    const OverlayController& overlay = hud.overlay();
    EXPECT_NE(0u, overlay.getHelpPanelTransform()->getNodeMask()) << "shown at start";

    hud.pressKey(osgGA::GUIEventAdapter::KEY_F1);
    hud.releaseKey(osgGA::GUIEventAdapter::KEY_F1);
    hud.frame();
    EXPECT_EQ(0u, overlay.getHelpPanelTransform()->getNodeMask());
    EXPECT_EQ(0u, overlay.getHelpTextTransform()->getNodeMask());

    hud.pressKey(osgGA::GUIEventAdapter::KEY_F1);
    hud.frame();
    EXPECT_EQ(1u, overlay.getHelpPanelTransform()->getNodeMask());
    EXPECT_EQ(1u, overlay.getHelpTextTransform()->getNodeMask());
}

TEST(OverlayHelp, MKeySetsAndClearsPicking)
{
    HudTestWindow hud;
    hud.open(1280, 1024);
    EXPECT_FALSE(hud.overlay().isPickActive());
    hud.pressKey('m');
    hud.frame();
    EXPECT_TRUE(hud.overlay().isPickActive());
    hud.pressKey('n');
    hud.releaseKey('n');
    hud.frame();
    EXPECT_TRUE(hud.overlay().isPickActive()) << "other keys leave it";
    hud.releaseKey('m');
    hud.frame();
    EXPECT_FALSE(hud.overlay().isPickActive());
}
