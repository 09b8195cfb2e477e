#include "app/KELVOview.h"

#include "environment/EnvironmentController.h"
#include "app/FreedMemoryReturner.h"
#include "navigation/NavigationController.h"
#include "hud/OverlayController.h"
#include "scene/PagedTiles.h"
#include "scene/SceneController.h"
#include "app/SequentialScreenshotWriter.h"
#include "app/Version.h"
#include "util/HelpUsage.h"
#include "window/WindowController.h"

#include <osg/Notify>
#include <osgDB/Registry>
#include <osgGA/StateSetManipulator>
#include <osgViewer/GraphicsWindow>
#include <osgViewer/Renderer>
#include <osgViewer/ViewerEventHandlers>

namespace osgKELVO {

namespace {

// The keys of this handler, of the stock handlers that build sets up and of the viewer, each
// beside its line in the help panel; saving and the statistics are left out of the panel.
const int saveConfigurationKey = osgGA::GUIEventAdapter::KEY_F3;
const int cyclePolygonModeKey = osgGA::GUIEventAdapter::KEY_F4;
const HelpUsage::Line cyclePolygonModeUsage{HelpUsage::FunctionKeys, 4, "F4",
                                            "Visa geometri som ytor, linjer eller punkter"};
const int toggleLightingKey = osgGA::GUIEventAdapter::KEY_F5;
const HelpUsage::Line toggleLightingUsage{HelpUsage::FunctionKeys, 5, "F5", "Ljussättning"};
const int toggleTexturingKey = osgGA::GUIEventAdapter::KEY_F6;
const HelpUsage::Line toggleTexturingUsage{HelpUsage::FunctionKeys, 6, "F6", "Visa texturer"};
const int toggleBackfaceCullingKey = osgGA::GUIEventAdapter::KEY_F7;
const HelpUsage::Line toggleBackfaceCullingUsage{HelpUsage::FunctionKeys, 7, "F7", "Visa ytor dubbelsidigt"};
const int statisticsKey = osgGA::GUIEventAdapter::KEY_F10;
const int screenshotKey = osgGA::GUIEventAdapter::KEY_F12;
const HelpUsage::Line screenshotUsage{HelpUsage::FunctionKeys, 12, "F12", "Spara skärmbild"};
const int quitKey = osgGA::GUIEventAdapter::KEY_Escape;
const HelpUsage::Line quitUsage{HelpUsage::Exit, 1, "Escape", "Avsluta"};

} // namespace

const char* KELVOview::versionText()
{
    return KELVO_VERSION_TEXT;
}

KELVOview::KELVOview()
    : initialized(false),
      configFileName("../Resources/Configuration.xml")
{
}

KELVOview::~KELVOview() = default;

int KELVOview::run()
{
    if (!initialized)
        build();
    const int result = viewer.run();
    // The viewer holds this object as its first handler; let go so that both can be destroyed.
    viewer.removeEventHandler(this);
    return result;
}

void KELVOview::build()
{
    if (initialized)
        return;

    // Relative file names resolve against the working directory (Bin) only.
    osgDB::Registry::instance()->setDataFilePathList("");

    osg::ref_ptr<osg::Group> root = new osg::Group;
    root->setName("Root");
    osg::ref_ptr<osg::Group> sceneRoot = new osg::Group;
    sceneRoot->setName("SceneRoot");
    root->addChild(sceneRoot);
    osg::ref_ptr<osg::Group> scene = new osg::Group;
    scene->setName("Scene");
    sceneRoot->addChild(scene);
    osg::ref_ptr<osg::Group> overlay = new osg::Group;
    overlay->setName("Overlay");
    root->addChild(overlay);

    viewer.setSceneData(root);
    PagedTiles::limitResident(viewer.getDatabasePager());
    osg::Camera* camera = viewer.getCamera();

    viewer.addEventHandler(this);

    overlayController = new OverlayController(overlay, camera);
    viewer.addEventHandler(overlayController);

    sceneController = new SceneController(scene);
    viewer.addEventHandler(sceneController);
    overlayController->setStatusLine(sceneController->getStatusLine());

    windowController = new WindowController(camera);
    viewer.addEventHandler(windowController);

    environmentController = new EnvironmentController(camera, scene);
    viewer.addEventHandler(environmentController);

    navigationController = new NavigationController(camera);
    viewer.setCameraManipulator(navigationController, true);

    osg::ref_ptr<osgGA::StateSetManipulator> stateSetManipulator =
        new osgGA::StateSetManipulator(scene->getOrCreateStateSet());
    stateSetManipulator->setKeyEventCyclePolygonMode(cyclePolygonModeKey);
    stateSetManipulator->setKeyEventToggleLighting(toggleLightingKey);
    stateSetManipulator->setKeyEventToggleTexturing(toggleTexturingKey);
    stateSetManipulator->setKeyEventToggleBackfaceCulling(toggleBackfaceCullingKey);
    stateSetManipulator->setBackfaceEnabled(true);
    viewer.addEventHandler(stateSetManipulator);

    osg::ref_ptr<osgViewer::StatsHandler> statsHandler = new osgViewer::StatsHandler;
    statsHandler->setKeyEventTogglesOnScreenStats(statisticsKey);
    viewer.addEventHandler(statsHandler);

    // Sequential numbering that also skips the files of earlier runs: nothing is overwritten.
    osg::ref_ptr<SequentialScreenshotWriter> captureOperation =
        new SequentialScreenshotWriter("../KELVOview", "jpg");
    osg::ref_ptr<osgViewer::ScreenCaptureHandler> captureHandler =
        new osgViewer::ScreenCaptureHandler(captureOperation.get(), 1);
    captureHandler->setKeyEventTakeScreenShot(screenshotKey);
    viewer.addEventHandler(captureHandler);

    viewer.addEventHandler(new FreedMemoryReturner);

    // The viewer's own default, set here so that the key and its help line have one source.
    viewer.setKeyEventSetsDone(quitKey);

    viewer.setLightingMode(osg::View::NO_LIGHT);

    osg::ref_ptr<osgDB::Options> options = new osgDB::Options;
    options->setObjectCacheHint(osgDB::Options::CACHE_ALL);
    osgDB::Registry::instance()->setOptions(options);

    osg::notify(osg::NOTICE) << "KELVOview " << versionText() << std::endl;

    loadConfiguration();

    viewer.realize();
    // The renderer's compile pass before the first frame draws every text drawable once with
    // whatever matrices are current, a screen-filling quad each; on a software rasteriser that is
    // tens of milliseconds per label. Compiled at their first draw instead, they cost nothing extra.
    osgViewer::Viewer::Cameras cameras;
    viewer.getCameras(cameras);
    for (osg::Camera* camera : cameras)
        if (auto* renderer = dynamic_cast<osgViewer::Renderer*>(camera->getRenderer()))
            renderer->setCompileOnNextDraw(false);
    initialized = true;
}

bool KELVOview::handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter&)
{
    switch (ea.getEventType()) {
    case osgGA::GUIEventAdapter::KEYDOWN:
        return handleKeyDown(ea);
    default:
        return false;
    }
}

void KELVOview::getUsage(osg::ApplicationUsage& usage) const
{
    HelpUsage::declare(usage, cyclePolygonModeUsage);
    HelpUsage::declare(usage, toggleLightingUsage);
    HelpUsage::declare(usage, toggleTexturingUsage);
    HelpUsage::declare(usage, toggleBackfaceCullingUsage);
    HelpUsage::declare(usage, screenshotUsage);
    HelpUsage::declare(usage, quitUsage);
}

bool KELVOview::handleKeyDown(const osgGA::GUIEventAdapter& ea)
{
    if (ea.getKey() == saveConfigurationKey &&
        dynamic_cast<osgViewer::GraphicsWindow*>(viewer.getCamera()->getGraphicsContext()))
        saveConfiguration();
    return false;
}

} // namespace osgKELVO
