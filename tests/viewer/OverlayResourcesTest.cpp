#include "HudTestWindow.h"

#include "hud/NinePiecePanel.h"
#include "NotifyCapture.h"

#include <gtest/gtest.h>
#include <osg/Geode>
#include <osg/Geometry>
#include <osg/Texture2D>

using osgKELVO::OverlayController;

namespace {

const osg::Geometry* cellGeometry(const osg::Group* panel, unsigned i)
{
    return panel->getChild(i)->asGeode()->getDrawable(0)->asGeometry();
}

const osg::Vec3Array* cellVertices(const osg::Group* panel, unsigned i)
{
    return static_cast<const osg::Vec3Array*>(cellGeometry(panel, i)->getVertexArray());
}

const osg::Texture2D* cellTexture(const osg::Group* panel, unsigned i)
{
    const osg::StateSet* state = cellGeometry(panel, i)->getStateSet();
    return state ? dynamic_cast<const osg::Texture2D*>(state->getTextureAttribute(0, osg::StateAttribute::TEXTURE))
                 : nullptr;
}

// The items of the display that are present, in the camera's child order.
std::vector<const osg::Node*> presentItems(const OverlayController& overlay)
{
    std::vector<const osg::Node*> items;
    for (const osg::Node* node :
         {static_cast<const osg::Node*>(overlay.getCoordinatesPanelTransform()),
          static_cast<const osg::Node*>(overlay.getCoordinatesTextTransform()),
          static_cast<const osg::Node*>(overlay.getCompassTransform()),
          static_cast<const osg::Node*>(overlay.getLogoTransform()),
          static_cast<const osg::Node*>(overlay.getLegendTransform()),
          static_cast<const osg::Node*>(overlay.getHelpPanelTransform()),
          static_cast<const osg::Node*>(overlay.getHelpTextTransform())})
        if (node)
            items.push_back(node);
    return items;
}

void expectCameraHoldsExactly(const OverlayController& overlay, const std::vector<const osg::Node*>& items)
{
    const osg::Camera* camera = overlay.getHudCamera();
    ASSERT_EQ(items.size(), camera->getNumChildren());
    for (unsigned i = 0; i < items.size(); ++i)
        EXPECT_EQ(items[i], camera->getChild(i));
}

} // namespace

TEST(OverlayPanel, NineTexturedCellsWithoutDisplayListsAndDynamicGeodes)
{
    HudTestWindow hud;
    osg::ref_ptr<osg::Group> panel = OverlayController::createPanel(100, 60, osg::Vec4(1, 1, 1, 1));
    ASSERT_TRUE(panel);
    ASSERT_EQ(9u, panel->getNumChildren());
    const osg::StateSet* state = panel->getStateSet();
    ASSERT_TRUE(state);
    EXPECT_EQ(static_cast<unsigned>(osg::StateAttribute::ON), state->getMode(GL_BLEND));
    EXPECT_EQ(static_cast<unsigned>(osg::StateAttribute::OFF | osg::StateAttribute::PROTECTED),
              state->getMode(GL_LIGHTING));
    EXPECT_EQ(static_cast<int>(osg::StateSet::TRANSPARENT_BIN), state->getRenderingHint());

    for (unsigned i = 0; i < 9; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(osg::Object::DYNAMIC, panel->getChild(i)->getDataVariance());
        const osg::Geometry* geometry = cellGeometry(panel, i);
        EXPECT_FALSE(geometry->getUseDisplayList());
        ASSERT_EQ(4u, cellVertices(panel, i)->size());
        const osg::Vec2Array* tc = static_cast<const osg::Vec2Array*>(geometry->getTexCoordArray(0));
        ASSERT_TRUE(tc);
        EXPECT_EQ(osg::Vec2(0, 0), (*tc)[0]);
        EXPECT_EQ(osg::Vec2(1, 0), (*tc)[1]);
        EXPECT_EQ(osg::Vec2(1, 1), (*tc)[2]);
        EXPECT_EQ(osg::Vec2(0, 1), (*tc)[3]);
        const osg::Texture2D* texture = cellTexture(panel, i);
        ASSERT_TRUE(texture);
        ASSERT_TRUE(texture->getImage()) << osgKELVO::NinePiecePanel::imageFileName(i);
        EXPECT_EQ(16, texture->getImage()->s());
        EXPECT_EQ(16, texture->getImage()->t());
        EXPECT_EQ(osg::Texture::CLAMP_TO_EDGE, texture->getWrap(osg::Texture::WRAP_S));
        EXPECT_EQ(osg::Texture::CLAMP_TO_EDGE, texture->getWrap(osg::Texture::WRAP_T));
        const osg::Vec4Array* colors = static_cast<const osg::Vec4Array*>(geometry->getColorArray());
        ASSERT_EQ(1u, colors->size());
        EXPECT_EQ(osg::Array::BIND_OVERALL, colors->getBinding());
    }
    // The top right cell: x 84 to 100, y 44 to 60, drawn just behind the texts.
    const osg::Vec3Array& corner = *cellVertices(panel, 8);
    EXPECT_EQ(osg::Vec3(84, 44, -0.1f), corner[0]);
    EXPECT_EQ(osg::Vec3(100, 44, -0.1f), corner[1]);
    EXPECT_EQ(osg::Vec3(100, 60, -0.1f), corner[2]);
    EXPECT_EQ(osg::Vec3(84, 60, -0.1f), corner[3]);
}

TEST(OverlayPanel, ResizeRewritesTheVerticesInPlaceAndIgnoresTooSmallSizes)
{
    HudTestWindow hud;
    osg::ref_ptr<osg::Group> panel = OverlayController::createPanel(32, 32, osg::Vec4(1, 1, 1, 1));
    ASSERT_TRUE(panel);
    const osg::Vec3Array* centreBefore = cellVertices(panel, 4);
    EXPECT_EQ(osg::Vec3(16, 16, -0.1f), (*centreBefore)[0]);
    EXPECT_EQ(osg::Vec3(16, 16, -0.1f), (*centreBefore)[2]) << "an empty centre at the smallest size";

    OverlayController::resizePanel(panel, 200, 90);
    EXPECT_EQ(centreBefore, cellVertices(panel, 4)) << "the same array, rewritten";
    EXPECT_EQ(osg::Vec3(184, 74, -0.1f), (*cellVertices(panel, 4))[2]);

    OverlayController::resizePanel(panel, 31, 500);
    OverlayController::resizePanel(panel, 500, 20);
    EXPECT_EQ(osg::Vec3(184, 74, -0.1f), (*cellVertices(panel, 4))[2]) << "too small: unchanged";
}

TEST(OverlayPanel, TooSmallPanelIsRefusedWithWarning)
{
    HudTestWindow hud;
    kelvotest::NotifyCapture notes;
    EXPECT_FALSE(OverlayController::createPanel(31, 32, osg::Vec4(1, 1, 1, 1)));
    EXPECT_FALSE(OverlayController::createPanel(32, 0, osg::Vec4(1, 1, 1, 1)));
    EXPECT_TRUE(notes.has(osg::WARN, "Invalid size for panel, must be a minimum 32 x 32 pixels"));
    EXPECT_EQ(2u, notes.count("Invalid size for panel, must be a minimum 32 x 32 pixels"));
}

TEST(OverlayPanel, MissingPieceLeavesItsCellUntextured)
{
    HudTestWindow hud;
    hud.removeResource("Resources/Images/Panel_4.png");
    osg::ref_ptr<osg::Group> panel = OverlayController::createPanel(64, 64, osg::Vec4(1, 1, 1, 1));
    ASSERT_TRUE(panel);
    for (unsigned i = 0; i < 9; ++i) {
        ASSERT_TRUE(cellTexture(panel, i));
        EXPECT_EQ(i != 4, cellTexture(panel, i)->getImage() != nullptr) << "cell " << i;
    }
}

TEST(OverlayResources, MissingFontDropsHelpAndReadoutOnly)
{
    HudTestWindow hud;
    hud.removeResource("Resources/Fonts/arial.ttf");
    kelvotest::NotifyCapture notes;
    hud.open(1280, 1024);
    const OverlayController& overlay = hud.overlay();
    EXPECT_TRUE(notes.has(osg::WARN, "Could not load font file"));
    EXPECT_TRUE(notes.has(osg::WARN, "Could not load coordinates font file"));
    EXPECT_FALSE(overlay.getHelpPanelTransform());
    EXPECT_FALSE(overlay.getHelpTextTransform());
    EXPECT_FALSE(overlay.getCoordinatesPanelTransform());
    EXPECT_FALSE(overlay.getCoordinatesTextTransform());
    ASSERT_TRUE(overlay.getCompassTransform());
    ASSERT_TRUE(overlay.getLogoTransform());
    ASSERT_TRUE(overlay.getLegendTransform());
    expectCameraHoldsExactly(overlay, {overlay.getCompassTransform(), overlay.getLogoTransform(),
                                       overlay.getLegendTransform()});

    // F1 without help does nothing; the rest still follows the window.
    hud.pressKey(osgGA::GUIEventAdapter::KEY_F1);
    hud.window()->resized(0, 0, 900, 600);
    hud.window()->getEventQueue()->windowResize(0, 0, 900, 600);
    hud.frame();
    EXPECT_EQ(osg::Vec3d(900 - overlay.getLogoWidth() - 16, 600 - overlay.getLogoHeight() - 8, 0),
              overlay.getLogoTransform()->getMatrix().getTrans());
}

TEST(OverlayResources, MissingLegendIsReportedAndLeftOut)
{
    HudTestWindow hud;
    hud.removeResource("Resources/Images/Legend.png");
    kelvotest::NotifyCapture notes;
    hud.open(1280, 1024);
    const OverlayController& overlay = hud.overlay();
    EXPECT_TRUE(notes.has(osg::INFO, "No legend image found"));
    EXPECT_FALSE(overlay.getLegendTransform());
    EXPECT_EQ(6u, presentItems(overlay).size());
    expectCameraHoldsExactly(overlay, presentItems(overlay));
}

TEST(OverlayResources, MissingEitherLogoIsReportedAndNoLogoShown)
{
    for (const char* missing : {"Resources/Images/Logo_dark.png", "Resources/Images/Logo_light.png"}) {
        SCOPED_TRACE(missing);
        HudTestWindow hud;
        hud.removeResource(missing);
        kelvotest::NotifyCapture notes;
        hud.open(1280, 1024);
        const OverlayController& overlay = hud.overlay();
        EXPECT_TRUE(notes.has(osg::INFO,
                              "Error loading logo images, check existance of Logo_light and Logo_dark in /Images"));
        EXPECT_FALSE(overlay.getLogoTransform());
        EXPECT_EQ(6u, presentItems(overlay).size());
        expectCameraHoldsExactly(overlay, presentItems(overlay));
        // The background may change; a layout without logo must still work.
        hud.camera()->setClearColor(osg::Vec4(0, 0, 0, 1));
        const_cast<OverlayController&>(overlay).layout(800, 600);
        EXPECT_EQ(osg::Vec3d(0, 50, 0), overlay.getHelpPanelTransform()->getMatrix().getTrans());
    }
}

TEST(OverlayResources, MissingCompassIsReportedAndLeftOut)
{
    HudTestWindow hud;
    hud.removeResource("Resources/Images/Compass.png");
    kelvotest::NotifyCapture notes;
    hud.open(1280, 1024);
    const OverlayController& overlay = hud.overlay();
    EXPECT_TRUE(notes.has(osg::WARN, "Compass image not found"));
    EXPECT_FALSE(overlay.getCompassTransform());
    EXPECT_EQ(6u, presentItems(overlay).size());
    expectCameraHoldsExactly(overlay, presentItems(overlay));
    hud.frame();
    EXPECT_EQ("Z: 0.0", hud.readout().at(2)) << "the readout still updates";
}

TEST(OverlayResources, ControllerWithoutWindowWaitsForOne)
{
    HudTestWindow hud;
    // Events before any window exists build nothing and do no harm.
    osg::ref_ptr<osgGA::GUIEventAdapter> event = new osgGA::GUIEventAdapter;
    event->setEventType(osgGA::GUIEventAdapter::KEYDOWN);
    event->setKey(osgGA::GUIEventAdapter::KEY_F1);
    EXPECT_FALSE(hud.overlay().handle(*event, hud.viewer()));
    EXPECT_FALSE(hud.overlay().isInitialized());
    EXPECT_FALSE(hud.overlay().getHudCamera());

    hud.open(1280, 1024);
    EXPECT_TRUE(hud.overlay().isInitialized());
    EXPECT_EQ(1u, hud.overlay().getHudCamera()->getNumParents()) << "built once";
    hud.frame();
    EXPECT_EQ(1u, hud.viewer().getSceneData()->asGroup()->getChild(1)->asGroup()->getNumChildren());
}
