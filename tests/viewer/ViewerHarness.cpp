#include "ViewerHarness.h"

#include "XvfbServer.h"

#include <osg/Geode>
#include <osgDB/Registry>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

HudTestWindow::HudTestWindow()
{
    // `make test` exports a display; a test run by hand gets a private one.
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        display_.reset(new kelvotest::XvfbServer);
        ::setenv("DISPLAY", display_->display().c_str(), 1);
    }
    tree_.reset(new kelvotest::RuntimeTree(false));
    previousDirectory_ = fs::current_path().string();
    fs::current_path(tree_->bin());
    osgDB::Registry::instance()->setDataFilePathList("");

    viewer_ = new osgViewer::Viewer;
    viewer_->setThreadingModel(osgViewer::ViewerBase::SingleThreaded);
    osg::ref_ptr<osg::Group> root = new osg::Group;
    root->setName("Root");
    osg::ref_ptr<osg::Group> sceneRoot = new osg::Group;
    sceneRoot->setName("SceneRoot");
    scene_ = new osg::Group;
    scene_->setName("Scene");
    osg::ref_ptr<osg::Group> overlayRoot = new osg::Group;
    overlayRoot->setName("Overlay");
    root->addChild(sceneRoot);
    sceneRoot->addChild(scene_);
    root->addChild(overlayRoot);
    viewer_->setSceneData(root);
    overlay_ = new osgKELVO::OverlayController(overlayRoot, viewer_->getCamera());
    viewer_->addEventHandler(overlay_);
}

HudTestWindow::~HudTestWindow()
{
    viewer_ = nullptr;
    overlay_ = nullptr;
    window_ = nullptr;
    fs::current_path(previousDirectory_);
    if (display_)
        ::unsetenv("DISPLAY");
}

void HudTestWindow::removeResource(const std::string& relativePath) const
{
    fs::remove(fs::path(tree_->root()) / relativePath);
}

void HudTestWindow::open(int width, int height)
{
    osg::ref_ptr<osg::GraphicsContext::Traits> traits = new osg::GraphicsContext::Traits;
    traits->readDISPLAY();
    traits->x = 0;
    traits->y = 0;
    traits->width = width;
    traits->height = height;
    traits->windowDecoration = false;
    traits->doubleBuffer = true;
    traits->windowName = "HUD test";
    osg::ref_ptr<osg::GraphicsContext> context = osg::GraphicsContext::createGraphicsContext(traits.get());
    window_ = dynamic_cast<osgViewer::GraphicsWindow*>(context.get());
    if (!window_)
        throw std::runtime_error("no graphics window on DISPLAY");
    osg::Camera* camera = viewer_->getCamera();
    camera->setGraphicsContext(window_);
    camera->setViewport(0, 0, width, height);
    camera->setProjectionMatrixAsPerspective(40.0, double(width) / height, 1.0, 10000.0);
    if (camera->getViewMatrix().isIdentity())
        lookAt(osg::Vec3d(0, 0, 0), osg::Vec3d(0, 1, 0));
    viewer_->realize();
    frame();
}

void HudTestWindow::frame()
{
    viewer_->frame();
}

void HudTestWindow::lookAt(const osg::Vec3d& eye, const osg::Vec3d& center, const osg::Vec3d& up)
{
    viewer_->getCamera()->setViewMatrixAsLookAt(eye, center, up);
}

void HudTestWindow::pressKey(int key)
{
    window_->getEventQueue()->keyPress(key);
}

void HudTestWindow::releaseKey(int key)
{
    window_->getEventQueue()->keyRelease(key);
}

void HudTestWindow::movePointer(float x, float yFromTop)
{
    window_->getEventQueue()->mouseMotion(x, yFromTop);
}

std::string HudTestWindow::utf8(const osgText::Text& text)
{
    return text.getText().createUTF8EncodedString();
}

std::vector<std::string> HudTestWindow::readout() const
{
    std::vector<std::string> lines;
    osg::MatrixTransform* transform = overlay_->getCoordinatesTextTransform();
    osg::Geode* geode = transform && transform->getNumChildren() ? transform->getChild(0)->asGeode() : nullptr;
    for (unsigned i = 0; geode && i < geode->getNumDrawables(); ++i)
        if (const osgText::Text* text = dynamic_cast<const osgText::Text*>(geode->getDrawable(i)))
            lines.push_back(utf8(*text));
    return lines;
}
