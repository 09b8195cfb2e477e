#include "OffscreenRenderer.h"

#include <algorithm>
#include <cstdlib>

namespace {

class CaptureCallback : public osg::Camera::DrawCallback
{
public:
    explicit CaptureCallback(osg::Image* target) : image(target) {}
    void operator()(osg::RenderInfo& renderInfo) const override
    {
        const osg::Viewport* viewport = renderInfo.getCurrentCamera()->getViewport();
        image->readPixels(0, 0, static_cast<int>(viewport->width()),
                          static_cast<int>(viewport->height()), GL_RGB, GL_UNSIGNED_BYTE);
    }

private:
    osg::Image* image;
};

} // namespace

OffscreenRenderer::OffscreenRenderer(int width, int height) : captured(new osg::Image)
{
    osg::ref_ptr<osg::GraphicsContext::Traits> traits = new osg::GraphicsContext::Traits;
    traits->readDISPLAY();
    traits->setUndefinedScreenDetailsToDefaultScreen();
    traits->x = 0;
    traits->y = 0;
    traits->width = width;
    traits->height = height;
    traits->red = traits->green = traits->blue = 8;
    traits->depth = 24;
    traits->pbuffer = true;
    traits->doubleBuffer = false;
    traits->windowDecoration = false;
    context = osg::GraphicsContext::createGraphicsContext(traits.get());
    if (!context.valid())
        return;

    viewer.setThreadingModel(osgViewer::Viewer::SingleThreaded);
    viewer.setLightingMode(osg::View::NO_LIGHT);
    viewer.setKeyEventSetsDone(0);
    osg::Camera* camera = viewer.getCamera();
    camera->setGraphicsContext(context.get());
    camera->setViewport(0, 0, width, height);
    camera->setProjectionMatrixAsPerspective(60.0, static_cast<double>(width) / height, 1.0, 100000.0);
    camera->setDrawBuffer(GL_FRONT);
    camera->setReadBuffer(GL_FRONT);
    camera->setFinalDrawCallback(new CaptureCallback(captured.get()));
}

OffscreenRenderer::~OffscreenRenderer()
{
    if (context.valid())
        viewer.setDone(true);
}

osg::ref_ptr<osg::Image> OffscreenRenderer::render(const osg::Matrixd& viewMatrix)
{
    viewer.getCamera()->setViewMatrix(viewMatrix);
    viewer.frame();
    return new osg::Image(*captured, osg::CopyOp::DEEP_COPY_ALL);
}

osg::Vec3i OffscreenRenderer::pixel(const osg::Image& image, int x, int y)
{
    const unsigned char* p = image.data(x, y);
    return osg::Vec3i(p[0], p[1], p[2]);
}

double OffscreenRenderer::meanDifference(const osg::Image& a, const osg::Image& b)
{
    const std::size_t bytes = a.getTotalSizeInBytes();
    double sum = 0.0;
    for (std::size_t i = 0; i < bytes; ++i)
        sum += std::abs(a.data()[i] - b.data()[i]);
    return sum / bytes;
}

int OffscreenRenderer::largestDifference(const osg::Image& a, const osg::Image& b)
{
    const std::size_t bytes = a.getTotalSizeInBytes();
    int largest = 0;
    for (std::size_t i = 0; i < bytes; ++i)
        largest = std::max(largest, std::abs(a.data()[i] - b.data()[i]));
    return largest;
}
