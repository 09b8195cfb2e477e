#include "ViewerHarness.h"

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

// The nine cells, each textured with its piece, cover the panel exactly: its whole rectangle, none
// over another.
static ::testing::AssertionResult tilesExactly(const osg::Group* panel, float width, float height)
{
    if (!panel || panel->getNumChildren() != 9)
        return ::testing::AssertionFailure() << "not nine cells";
    osg::BoundingBox all;
    float area = 0;
    for (unsigned i = 0; i < 9; ++i) {
        const osg::Vec3Array& v = *cellVertices(panel, i);
        osg::BoundingBox cell;
        for (const osg::Vec3& corner : v)
            cell.expandBy(corner);
        all.expandBy(cell);
        area += (cell.xMax() - cell.xMin()) * (cell.yMax() - cell.yMin());
    }
    if (all.xMin() != 0 || all.yMin() != 0 || all.xMax() != width || all.yMax() != height || area != width * height)
        return ::testing::AssertionFailure() << "cells cover " << all.xMin() << "," << all.yMin() << " to "
                                             << all.xMax() << "," << all.yMax() << " with area " << area;
    return ::testing::AssertionSuccess();
}

TEST(OverlayPanel, NineTexturedCellsCoverThePanelAlsoAfterAResize)
{
    HudTestWindow hud;
    osg::ref_ptr<osg::Group> panel = OverlayController::createPanel(100, 60, osg::Vec4(1, 1, 1, 1));
    EXPECT_TRUE(tilesExactly(panel, 100, 60));
    for (unsigned i = 0; i < 9; ++i) {
        ASSERT_TRUE(cellTexture(panel, i));
        EXPECT_TRUE(cellTexture(panel, i)->getImage()) << osgKELVO::NinePiecePanel::imageFileName(i);
    }

    const osg::Vec3Array* centreBefore = cellVertices(panel, 4);
    OverlayController::resizePanel(panel, 200, 90);
    EXPECT_EQ(centreBefore, cellVertices(panel, 4)) << "the same array, rewritten";
    EXPECT_TRUE(tilesExactly(panel, 200, 90));
    OverlayController::resizePanel(panel, 31, 500);
    OverlayController::resizePanel(panel, 500, 20);
    EXPECT_TRUE(tilesExactly(panel, 200, 90)) << "too small: unchanged";
    OverlayController::resizePanel(panel, 32, 32);
    EXPECT_TRUE(tilesExactly(panel, 32, 32)) << "the smallest size";
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
