// The head-up display in a real window.

#include "NotifyCapture.h"
#include "ViewerHarness.h"

#include <gtest/gtest.h>
#include <osg/ComputeBoundsVisitor>
#include <osg/DrawPixels>
#include <osg/Geode>
#include <osg/Switch>
#include <osg/TexMat>

#include <algorithm>
#include <cstdlib>

using osgKELVO::OverlayController;
using Lines = std::vector<std::string>;

namespace {

// Pointer position (from the top left) at which the camera sees a world point. The window's
// input range runs from 0 to height - 1, which the viewer flips to y up.
osg::Vec2f pixelOf(HudTestWindow& hud, const osg::Vec3d& world)
{
    osg::Camera* camera = hud.camera();
    const osg::Vec3d p = world * camera->getViewMatrix() * camera->getProjectionMatrix() *
                         camera->getViewport()->computeWindowMatrix();
    return osg::Vec2f(p.x(), camera->getViewport()->height() - 1.0 - p.y());
}

// Window-pixel box of everything under one of the overlay's transforms; an image drawn as pixels
// covers its size from its position (its own bound is a cube around it).
osg::BoundingBox extent(osg::Node* transform)
{
    struct PixelExtent : osg::ComputeBoundsVisitor
    {
        using osg::ComputeBoundsVisitor::apply;
        void apply(osg::Drawable& drawable) override
        {
            const osg::DrawPixels* pixels = dynamic_cast<const osg::DrawPixels*>(&drawable);
            if (!pixels || !pixels->getImage())
                return osg::ComputeBoundsVisitor::apply(drawable);
            const osg::Vec3 at = pixels->getPosition(),
                            size(pixels->getImage()->s(), pixels->getImage()->t(), 0);
            applyBoundingBox(osg::BoundingBox(at, at + size));
        }
    } bounds;
    transform->accept(bounds);
    return bounds.getBoundingBox();
}

bool covers(const osg::BoundingBox& outer, const osg::BoundingBox& inner)
{
    return inner.valid() && inner.xMin() >= outer.xMin() && inner.xMax() <= outer.xMax() &&
           inner.yMin() >= outer.yMin() && inner.yMax() <= outer.yMax();
}

bool overlap(const osg::BoundingBox& a, const osg::BoundingBox& b)
{
    return a.xMin() < b.xMax() && b.xMin() < a.xMax() && a.yMin() < b.yMax() &&
           b.yMin() < a.yMax();
}

} // namespace

// The eye plus the offset, as x and y or as northing and easting, or while M is held the point
// under the pointer.
TEST(CoordinateReadoutDisplay, HoldingMShowsThePointUnderThePointer)
{
    HudTestWindow hud;
    hud.scene()->addChild(
        rectangle(osg::Vec3(-50, -50, 5), osg::Vec3(100, 0, 0), osg::Vec3(0, 100, 0)));
    // Looking over the ground, the sky fills the window's upper half.
    hud.lookAt(osg::Vec3d(12.34, -120, 20), osg::Vec3d(12.34, 0, 15));
    hud.overlay().setOffset(osg::Vec3f(1000, 2000, 0));
    ASSERT_TRUE(hud.open());
    hud.frame();
    const Lines eye = hud.readout();
    EXPECT_EQ((Lines{"X: 1012.3", "Y: 1880.0", "Z: 20.0"}), eye);
    const osg::Vec2f onGround = pixelOf(hud, osg::Vec3d(12.0, 20.0, 5.0));
    hud.movePointer(onGround.x(), onGround.y());
    hud.frame();
    EXPECT_EQ(eye, hud.readout()) << "without M the pointer changes nothing";

    hud.pressKey('m');
    hud.movePointer(onGround.x(), onGround.y());
    hud.frame();
    const Lines picked = hud.readout();
    ASSERT_EQ(3u, picked.size());
    EXPECT_NEAR(1012.0f, std::strtof(picked[0].c_str() + 3, nullptr), 0.25f) << picked[0];
    EXPECT_NEAR(2020.0f, std::strtof(picked[1].c_str() + 3, nullptr), 0.25f) << picked[1];
    EXPECT_EQ("Z: 5.0", picked[2]);

    // Over the help panel with only sky behind it nothing is hit (the real viewer's session shows
    // the last point staying over the sky, the digits following the eye and M released).
    const osg::Vec2f skyBehindHelp = pixelOf(hud, osg::Vec3d(0.0, 400.0, 60.0));
    ASSERT_TRUE(covers(extent(hud.overlay().getHelpPanelTransform()),
                       osg::BoundingBox(skyBehindHelp.x(), 1023 - skyBehindHelp.y(), 0,
                                        skyBehindHelp.x(), 1023 - skyBehindHelp.y(), 0)));
    hud.movePointer(skyBehindHelp.x(), skyBehindHelp.y());
    hud.frame();
    EXPECT_EQ(picked, hud.readout()) << "the display's own panels are never picked";

    HudTestWindow geographic;
    geographic.overlay().setUseGeoCoords(true);
    geographic.overlay().setOffset(osg::Vec3f(1000, 2000, 0));
    geographic.lookAt(osg::Vec3d(12.34, -120, 20), osg::Vec3d(12.34, 0, 15));
    ASSERT_TRUE(geographic.open());
    geographic.frame();
    EXPECT_EQ((Lines{"N: 1880.0", "E: 1012.3", "Z: 20.0"}), geographic.readout());
}

// Every panel, the help shown, lies inside the window and none covers another, after resizes whose
// events claim another size; the light logo on a light background, taken at each layout only.
TEST(OverlayLayout, PanelsLieInsideTheWindowWithoutOverlapAtEverySize)
{
    HudTestWindow hud;
    hud.camera()->setClearColor(osg::Vec4(0, 0, 0, 1));
    ASSERT_TRUE(hud.open());
    OverlayController& overlay = hud.overlay();
    ASSERT_TRUE(overlay.getLogoTransform());
    osg::Switch* logo = overlay.getLogoTransform()->getChild(0)->asSwitch();
    ASSERT_TRUE(logo && logo->getNumChildren() == 2);
    EXPECT_TRUE(!logo->getValue(0) && logo->getValue(1));
    hud.camera()->setClearColor(osg::Vec4(1, 1, 1, 1));
    hud.frame();
    EXPECT_TRUE(logo->getValue(1)) << "still dark until the next layout";
    for (const osg::Vec2i size : {osg::Vec2i(640, 480), osg::Vec2i(800, 600),
                                  osg::Vec2i(1024, 768), osg::Vec2i(1920, 1080)}) {
        SCOPED_TRACE(std::to_string(size.x()) + " x " + std::to_string(size.y()));
        hud.window()->resized(0, 0, size.x(), size.y());
        hud.window()->getEventQueue()->windowResize(0, 0, 321, 123);
        hud.frame();
        EXPECT_TRUE(logo->getValue(0) && !logo->getValue(1));
        EXPECT_EQ(size.x(), overlay.getHudCamera()->getViewport()->width());
        EXPECT_EQ(size.y(), overlay.getHudCamera()->getViewport()->height());
        const osg::BoundingBox window(0, 0, 0, size.x(), size.y(), 0);
        const std::vector<std::pair<const char*, osg::Node*>> panels = {
            {"coordinates", overlay.getCoordinatesPanelTransform()},
            {"compass", overlay.getCompassTransform()},
            {"logo", overlay.getLogoTransform()},
            {"legend", overlay.getLegendTransform()},
            {"help", overlay.getHelpPanelTransform()}};
        for (std::size_t i = 0; i < panels.size(); ++i) {
            EXPECT_TRUE(covers(window, extent(panels[i].second))) << panels[i].first;
            for (std::size_t j = 0; j < i; ++j)
                EXPECT_FALSE(overlap(extent(panels[i].second), extent(panels[j].second)))
                    << panels[i].first << " and " << panels[j].first;
        }
        EXPECT_TRUE(covers(extent(overlay.getHelpPanelTransform()),
                           extent(overlay.getHelpTextTransform())));
        EXPECT_TRUE(covers(extent(overlay.getCoordinatesPanelTransform()),
                           extent(overlay.getCoordinatesTextTransform())));
    }
    // A panel under 32 x 32 is refused, and a resize to one leaves the panel as it was.
    kelvotest::NotifyCapture notes;
    EXPECT_FALSE(OverlayController::createPanel(31, 32, osg::Vec4(1, 1, 1, 1)));
    EXPECT_FALSE(OverlayController::createPanel(32, 0, osg::Vec4(1, 1, 1, 1)));
    EXPECT_EQ(2u, notes.count("Invalid size for panel, must be a minimum 32 x 32 pixels"));
    osg::ref_ptr<osg::Group> panel = OverlayController::createPanel(64, 64, osg::Vec4(1, 1, 1, 1));
    ASSERT_TRUE(panel);
    const osg::BoundingBox before = extent(panel);
    OverlayController::resizePanel(panel, 31, 500);
    EXPECT_TRUE(before == extent(panel));
}

// A missing resource is reported and leaves out its items only.
TEST(OverlayResources, MissingFileLeavesOutItsItemsOnly)
{
    struct Case
    {
        const char* file;
        osg::NotifySeverity level;
        const char* message;
        std::vector<int> gone;
    };
    const char* noLogo =
        "Error loading logo images, check existance of Logo_light and Logo_dark in /Images";
    const Case cases[] = {
        {"Resources/Fonts/arial.ttf", osg::WARN, "Could not load coordinates font file",
         {0, 1, 5, 6}},
        {"Resources/Images/Compass.png", osg::WARN, "Compass image not found", {2}},
        {"Resources/Images/Logo_dark.png", osg::INFO, noLogo, {3}},
        {"Resources/Images/Logo_light.png", osg::INFO, noLogo, {3}},
        {"Resources/Images/Legend.png", osg::INFO, "No legend image found", {4}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        HudTestWindow hud;
        hud.removeResource(c.file);
        kelvotest::NotifyCapture notes;
        ASSERT_TRUE(hud.open());
        EXPECT_TRUE(notes.has(c.level, c.message)) << notes.dump();
        const OverlayController& overlay = hud.overlay();
        const osg::Node* items[] = {
            overlay.getCoordinatesPanelTransform(), overlay.getCoordinatesTextTransform(),
            overlay.getCompassTransform(),          overlay.getLogoTransform(),
            overlay.getLegendTransform(),           overlay.getHelpPanelTransform(),
            overlay.getHelpTextTransform()};
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(std::count(c.gone.begin(), c.gone.end(), i) > 0, items[i] == nullptr)
                << "item " << i;
    }
}

// The compass image turns with the heading, about its centre, whatever the pitch; looking straight
// down or up keeps the last heading.
TEST(Compass, TurnsWithTheHeadingEveryFrame)
{
    HudTestWindow hud;
    ASSERT_TRUE(hud.open());
    const osg::Geode* geode = hud.overlay().getCompassTransform()->getChild(0)->asGeode();
    const osg::TexMat* texMat = dynamic_cast<const osg::TexMat*>(
        geode->getStateSet()->getTextureAttribute(0, osg::StateAttribute::TEXMAT));
    ASSERT_TRUE(texMat);
    // Where in the image the quad's top centre and centre sample.
    auto sampled = [&](float s, float t) { return osg::Vec3(s, t, 0.0f) * texMat->getMatrix(); };
    const float r = 0.5f * std::sqrt(0.5f);
    struct Case { osg::Vec3d eye, center; osg::Vec3 top; };
    const Case cases[] = {{{5, 5, 10}, {5, 50, 0}, {0.5f, 1.0f, 0}},
                          {{0, 0, 10}, {100, 0, 10}, {1.0f, 0.5f, 0}},
                          {{0, 0, 100}, {-1, -1, 0}, {0.5f - r, 0.5f - r, 0}},
                          {{0, 0, 100}, {0, -1, 100}, {0.5f, 0.0f, 0}}};
    for (const Case& c : cases) {
        hud.lookAt(c.eye, c.center);
        hud.frame();
        EXPECT_LT((sampled(0.5f, 1.0f) - c.top).length(), 1e-5f) << c.center;
        EXPECT_LT((sampled(0.5f, 0.5f) - osg::Vec3(0.5f, 0.5f, 0)).length(), 1e-5f) << c.center;
    }
    const osg::Matrix south = texMat->getMatrix();
    for (double z : {0.0, 200.0}) {
        hud.lookAt(osg::Vec3d(0, 0, 100), osg::Vec3d(0, 0, z), osg::Vec3d(0, 1, 0));
        hud.frame();
        EXPECT_EQ(south, texMat->getMatrix()) << "straight " << (z ? "up" : "down");
    }
}
