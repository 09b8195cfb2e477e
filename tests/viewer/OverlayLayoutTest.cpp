#include "HudTestWindow.h"

#include "app/KELVOview.h"

#include <gtest/gtest.h>
#include <osg/ClipPlane>
#include <osg/DrawPixels>
#include <osg/Geode>
#include <osg/Geometry>
#include <osg/Switch>
#include <osgDB/ReadFile>
#include <osgDB/Registry>
#include <osgText/Text>

#include <cmath>
#include <cstring>
#include <sstream>

using osgKELVO::OverlayController;

namespace {

osg::Vec3d translationOf(const osg::MatrixTransform* transform)
{
    return transform->getMatrix().getTrans();
}

// Window-pixel rectangle of cell i of the panel under a transform: x0, y0, width, height.
osg::Vec4d cellRectangle(const osg::MatrixTransform* transform, unsigned i)
{
    const osg::Group* panel = transform->getChild(0)->asGroup();
    const osg::Geometry* geometry = panel->getChild(i)->asGeode()->getDrawable(0)->asGeometry();
    const osg::Vec3Array* v = static_cast<const osg::Vec3Array*>(geometry->getVertexArray());
    const osg::Vec3d at = translationOf(transform);
    return osg::Vec4d((*v)[0].x() + at.x(), (*v)[0].y() + at.y(), (*v)[2].x() - (*v)[0].x(), (*v)[2].y() - (*v)[0].y());
}

osg::BoundingBox panelExtent(const osg::MatrixTransform* transform)
{
    osg::BoundingBox box;
    for (unsigned i = 0; i < 9; ++i) {
        const osg::Vec4d r = cellRectangle(transform, i);
        box.expandBy(osg::Vec3(r.x(), r.y(), 0.0f));
        box.expandBy(osg::Vec3(r.x() + r.z(), r.y() + r.w(), 0.0f));
    }
    return box;
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

TEST(OverlayLayout, HeadUpCameraRendersLastInWindowPixels)
{
    HudTestWindow hud;
    hud.open(1280, 1024);
    OverlayController& overlay = hud.overlay();
    ASSERT_TRUE(overlay.isInitialized());
    osg::Camera* camera = overlay.getHudCamera();
    ASSERT_TRUE(camera);
    EXPECT_EQ(camera, hud.viewer().getSceneData()->asGroup()->getChild(1)->asGroup()->getChild(0))
        << "the camera hangs under the overlay group";
    EXPECT_EQ(osg::Camera::POST_RENDER, camera->getRenderOrder());
    EXPECT_EQ(10, camera->getRenderOrderNum());
    EXPECT_EQ(osg::Transform::ABSOLUTE_RF, camera->getReferenceFrame());
    EXPECT_EQ(static_cast<GLbitfield>(GL_DEPTH_BUFFER_BIT), camera->getClearMask());
    EXPECT_EQ(osg::Camera::FIXED, camera->getProjectionResizePolicy());
    EXPECT_EQ(hud.window(), camera->getGraphicsContext());
    EXPECT_TRUE(camera->getViewMatrix().isIdentity());
    EXPECT_EQ(static_cast<unsigned>(osg::StateAttribute::OFF | osg::StateAttribute::PROTECTED),
              camera->getStateSet()->getMode(GL_CLIP_PLANE0));

    ASSERT_TRUE(camera->getViewport());
    EXPECT_EQ(1280, camera->getViewport()->width());
    EXPECT_EQ(1024, camera->getViewport()->height());
    double left, right, bottom, top, zNear, zFar;
    ASSERT_TRUE(camera->getProjectionMatrixAsOrtho(left, right, bottom, top, zNear, zFar));
    EXPECT_DOUBLE_EQ(0.0, left);
    EXPECT_DOUBLE_EQ(1280.0, right);
    EXPECT_DOUBLE_EQ(0.0, bottom);
    EXPECT_DOUBLE_EQ(1024.0, top);

    const osg::Node* expected[] = {overlay.getCoordinatesPanelTransform(), overlay.getCoordinatesTextTransform(),
                                   overlay.getCompassTransform(), overlay.getLogoTransform(),
                                   overlay.getLegendTransform(), overlay.getHelpPanelTransform(),
                                   overlay.getHelpTextTransform()};
    ASSERT_EQ(7u, camera->getNumChildren());
    for (unsigned i = 0; i < 7; ++i)
        EXPECT_EQ(expected[i], camera->getChild(i)) << "child " << i;
}

TEST(OverlayLayout, HelpPanelCentredIn1280x1024Window)
{
    HudTestWindow hud;
    hud.open(1280, 1024);
    const OverlayController& overlay = hud.overlay();
    EXPECT_EQ(1280, overlay.getWindowWidth());
    EXPECT_EQ(1024, overlay.getWindowHeight());

    const osg::BoundingBox box = panelExtent(overlay.getHelpPanelTransform());
    EXPECT_FLOAT_EQ(240.0f, box.xMin());
    EXPECT_FLOAT_EQ(1040.0f, box.xMax());
    EXPECT_FLOAT_EQ(262.0f, box.yMin());
    EXPECT_FLOAT_EQ(762.0f, box.yMax());

    const osg::Vec3d textOrigin = translationOf(overlay.getHelpTextTransform());
    const osg::Vec3d keys = textOrigin + osg::Vec3d(helpColumn(overlay, 0)->getPosition());
    const osg::Vec3d descriptions = textOrigin + osg::Vec3d(helpColumn(overlay, 1)->getPosition());
    EXPECT_EQ(osg::Vec3d(290, 712, 0), keys);
    EXPECT_EQ(osg::Vec3d(620, 712, 0), descriptions);
}

TEST(OverlayLayout, CoordinatesPanelCellsKeepSixteenPixelCorners)
{
    HudTestWindow hud;
    hud.open(1280, 1024);
    const OverlayController& overlay = hud.overlay();
    EXPECT_EQ(osg::Vec3d(8, 8, 0), translationOf(overlay.getCoordinatesPanelTransform()));
    EXPECT_EQ(osg::Vec3d(24, 24, 0), translationOf(overlay.getCoordinatesTextTransform()));

    // Columns left to right, rows bottom to top: 16 | 168 | 16 by 16 | 58 | 16.
    const osg::Vec4d expected[9] = {
        {8, 8, 16, 16},   {24, 8, 168, 16},   {192, 8, 16, 16},
        {8, 24, 16, 58},  {24, 24, 168, 58},  {192, 24, 16, 58},
        {8, 82, 16, 16},  {24, 82, 168, 16},  {192, 82, 16, 16}};
    for (unsigned i = 0; i < 9; ++i)
        EXPECT_EQ(expected[i], cellRectangle(overlay.getCoordinatesPanelTransform(), i)) << "cell " << i;
}

TEST(OverlayLayout, CompassTopLeftLogoTopRightLegendLeftMiddle)
{
    HudTestWindow hud;
    hud.open(1280, 1024);
    const OverlayController& overlay = hud.overlay();

    osg::ref_ptr<osg::Image> compass = osgDB::readRefImageFile("../Resources/Images/Compass.png");
    osg::ref_ptr<osg::Image> logo = osgDB::readRefImageFile("../Resources/Images/Logo_light.png");
    osg::ref_ptr<osg::Image> legend = osgDB::readRefImageFile("../Resources/Images/Legend.png");
    ASSERT_TRUE(compass && logo && legend);
    ASSERT_EQ(compass->s(), overlay.getCompassSize());
    ASSERT_EQ(logo->s(), overlay.getLogoWidth());
    ASSERT_EQ(logo->t(), overlay.getLogoHeight());
    ASSERT_EQ(legend->t(), overlay.getLegendHeight());

    const int h = compass->s() / 2;
    EXPECT_EQ(osg::Vec3d(h + 8, 1024 - 8 - h, 0), translationOf(overlay.getCompassTransform()));
    EXPECT_EQ(osg::Vec3d(1280 - logo->s() - 16, 1024 - logo->t() - 8, 0), translationOf(overlay.getLogoTransform()));
    EXPECT_EQ(osg::Vec3d(8, 512 - legend->t() / 2, 0), translationOf(overlay.getLegendTransform()));
}

TEST(OverlayLayout, WindowNarrowerThanHelpPanelPlacesItPastTheLeftEdge)
{
    HudTestWindow hud;
    hud.open(600, 400);
    const OverlayController& overlay = hud.overlay();
    const osg::BoundingBox box = panelExtent(overlay.getHelpPanelTransform());
    EXPECT_FLOAT_EQ(-100.0f, box.xMin());
    EXPECT_FLOAT_EQ(700.0f, box.xMax());
    EXPECT_FLOAT_EQ(-50.0f, box.yMin());
    EXPECT_FLOAT_EQ(450.0f, box.yMax());
    EXPECT_EQ(osg::Vec3d(-100, 450, 0), translationOf(overlay.getHelpTextTransform()));
}

TEST(OverlayLayout, ResizeLaysOutFromTheWindowTraitsNotTheEvent)
{
    HudTestWindow hud;
    hud.open(1280, 1024);
    // The window's traits follow the new size; the event claims another.
    hud.window()->resized(0, 0, 1000, 700);
    hud.window()->getEventQueue()->windowResize(0, 0, 321, 123);
    hud.frame();

    const OverlayController& overlay = hud.overlay();
    EXPECT_EQ(1000, overlay.getWindowWidth());
    EXPECT_EQ(700, overlay.getWindowHeight());
    EXPECT_EQ(1000, overlay.getHudCamera()->getViewport()->width());
    EXPECT_EQ(700, overlay.getHudCamera()->getViewport()->height());
    const osg::BoundingBox box = panelExtent(overlay.getHelpPanelTransform());
    EXPECT_FLOAT_EQ(100.0f, box.xMin());
    EXPECT_FLOAT_EQ(100.0f, box.yMin());
    EXPECT_EQ(osg::Vec3d(1000 - overlay.getLogoWidth() - 16, 700 - overlay.getLogoHeight() - 8, 0),
              translationOf(overlay.getLogoTransform()));
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

    // The grey whose luminance comes out at exactly one half, and the grey just below it.
    const auto luminance = [](float g) { return 0.2989f * g + 0.587f * g + 0.114f * g; };
    float grey = 0.5f / 0.9999f;
    while (luminance(grey) > 0.5f)
        grey = std::nextafter(grey, 0.0f);
    while (luminance(grey) < 0.5f)
        grey = std::nextafter(grey, 1.0f);
    ASSERT_EQ(0.5f, luminance(grey)) << "no grey of luminance exactly 0.5 near " << grey;
    hud.camera()->setClearColor(osg::Vec4(grey, grey, grey, 1));
    overlay.layout(1280, 1024);
    EXPECT_TRUE(logo->getValue(0)) << "luminance 0.5 counts as bright";
    EXPECT_FALSE(logo->getValue(1));

    const float below = std::nextafter(grey, 0.0f);
    ASSERT_LT(luminance(below), 0.5f);
    hud.camera()->setClearColor(osg::Vec4(below, below, below, 1));
    overlay.layout(1280, 1024);
    EXPECT_FALSE(logo->getValue(0));
    EXPECT_TRUE(logo->getValue(1));
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
        const osg::StateSet* state = geode->getStateSet();
        EXPECT_EQ(static_cast<unsigned>(osg::StateAttribute::ON), state->getMode(GL_BLEND));
        EXPECT_EQ(static_cast<unsigned>(osg::StateAttribute::OFF | osg::StateAttribute::PROTECTED),
                  state->getMode(GL_LIGHTING));
        EXPECT_EQ(static_cast<int>(osg::StateSet::TRANSPARENT_BIN), state->getRenderingHint());
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
    EXPECT_EQ(24u, splitLines(keyText).size());
    EXPECT_EQ(21u, splitLines(descriptionText).size());
    EXPECT_NE('\n', keyText.back()) << "no line feed after the last line";
    EXPECT_EQ(0u, descriptionText.rfind("\n\nVrid vyn", 0)) << "the descriptions begin with two line feeds";

    for (const osgText::Text* column : {keys, descriptions}) {
        EXPECT_EQ(36u, column->getFontWidth());
        EXPECT_EQ(36u, column->getFontHeight());
        EXPECT_FLOAT_EQ(18.0f, column->getCharacterHeight());
        EXPECT_EQ(osg::Vec4(1, 1, 1, 1), column->getColor());
        EXPECT_EQ(osgText::Text::LEFT_BASE_LINE, column->getAlignment());
        ASSERT_TRUE(column->getFont());
    }
    const osg::StateSet* state = overlay.getHelpTextTransform()->getChild(0)->getStateSet();
    ASSERT_TRUE(state);
    EXPECT_EQ(static_cast<unsigned>(osg::StateAttribute::OFF | osg::StateAttribute::PROTECTED),
              state->getMode(GL_LIGHTING));

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
