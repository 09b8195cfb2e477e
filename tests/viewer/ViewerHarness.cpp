#include "ViewerHarness.h"

#include "XvfbServer.h"

#include <osg/Geode>
#include <osgDB/Registry>

#include <algorithm>
#include <cstdlib>
#include <numeric>

osg::ref_ptr<osg::Geometry> rectangle(const osg::Vec3& corner, const osg::Vec3& edge1,
                                      const osg::Vec3& edge2, const osg::Vec4& color)
{
    osg::ref_ptr<osg::Geometry> geometry = osg::createTexturedQuadGeometry(corner, edge1, edge2);
    static_cast<osg::Vec4Array*>(geometry->getColorArray())->front() = color;
    return geometry;
}

void CaptureCallback::operator()(osg::RenderInfo& renderInfo) const
{
    const osg::Viewport* viewport = renderInfo.getCurrentCamera()->getViewport();
    image->readPixels(0, 0, static_cast<int>(viewport->width()),
                      static_cast<int>(viewport->height()), GL_RGB, GL_UNSIGNED_BYTE);
}

TestViewer::TestViewer() : captured_(new osg::Image), viewer_(new osgViewer::Viewer)
{
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        display_.reset(new kelvotest::XvfbServer);
        ::setenv("DISPLAY", display_->display().c_str(), 1);
    }
    viewer_->setThreadingModel(osgViewer::ViewerBase::SingleThreaded);
    viewer_->setKeyEventSetsDone(0);
}

TestViewer::~TestViewer()
{
    viewer_ = nullptr;
    if (display_)
        ::unsetenv("DISPLAY");
}

bool TestViewer::open(int width, int height, bool pbuffer)
{
    osg::ref_ptr<osg::GraphicsContext::Traits> traits = new osg::GraphicsContext::Traits;
    traits->readDISPLAY();
    traits->setUndefinedScreenDetailsToDefaultScreen();
    traits->width = width;
    traits->height = height;
    traits->red = traits->green = traits->blue = 8;
    traits->depth = 24;
    traits->pbuffer = pbuffer;
    traits->doubleBuffer = !pbuffer;
    traits->windowDecoration = false;
    osg::ref_ptr<osg::GraphicsContext> context =
        osg::GraphicsContext::createGraphicsContext(traits.get());
    if (!context)
        return false;
    window_ = dynamic_cast<osgViewer::GraphicsWindow*>(context.get());
    osg::Camera* camera = viewer_->getCamera();
    camera->setGraphicsContext(context);
    camera->setViewport(0, 0, width, height);
    camera->setProjectionMatrixAsPerspective(60.0, double(width) / height, 1.0, 100000.0);
    if (pbuffer) {
        camera->setDrawBuffer(GL_FRONT);
        camera->setReadBuffer(GL_FRONT);
        camera->setFinalDrawCallback(new CaptureCallback(captured_.get()));
    }
    if (camera->getViewMatrix().isIdentity())
        lookAt(osg::Vec3d(0, 0, 0), osg::Vec3d(0, 1, 0));
    viewer_->realize();
    frame();
    return viewer_->isRealized();
}

double TestViewer::meanDifference(const osg::Image& a, const osg::Image& b)
{
    return std::inner_product(a.data(), a.data() + a.getTotalSizeInBytes(), b.data(), 0.0,
                              std::plus<>(), [](int x, int y) { return std::abs(x - y); }) /
           a.getTotalSizeInBytes();
}

int TestViewer::largestDifference(const osg::Image& a, const osg::Image& b)
{
    return std::inner_product(a.data(), a.data() + a.getTotalSizeInBytes(), b.data(), 0,
                              [](int x, int y) { return std::max(x, y); },
                              [](int x, int y) { return std::abs(x - y); });
}

HudTestWindow::HudTestWindow()
{
    osgDB::Registry::instance()->setDataFilePathList("");
    osg::ref_ptr<osg::Group> root = new osg::Group, sceneRoot = new osg::Group,
                             overlayRoot = new osg::Group;
    root->addChild(sceneRoot);
    sceneRoot->addChild(scene_);
    root->addChild(overlayRoot);
    viewer().setSceneData(root);
    overlay_ = new osgKELVO::OverlayController(overlayRoot, camera());
    viewer().addEventHandler(overlay_);
}

std::vector<std::string> HudTestWindow::readout() const
{
    std::vector<std::string> lines;
    osg::MatrixTransform* transform = overlay_->getCoordinatesTextTransform();
    osg::Geode* geode =
        transform && transform->getNumChildren() ? transform->getChild(0)->asGeode() : nullptr;
    for (unsigned i = 0; geode && i < geode->getNumDrawables(); ++i)
        if (const osgText::Text* text = dynamic_cast<const osgText::Text*>(geode->getDrawable(i)))
            lines.push_back(text->getText().createUTF8EncodedString());
    return lines;
}
