#pragma once

#include <osgViewer/ViewerEventHandlers>

#include <map>
#include <mutex>
#include <string>

namespace osgKELVO {

// Writes each screenshot as "<base>_<n>_<context>.<extension>" with a running number n that skips
// every file already there, so that the screenshots of an earlier run are never overwritten.
class SequentialScreenshotWriter : public osgViewer::ScreenCaptureHandler::CaptureOperation
{
public:
    SequentialScreenshotWriter(const std::string& baseName, const std::string& extension);

    void operator()(const osg::Image& image, const unsigned int contextId) override;

    // The name the next capture of a context will get.
    std::string nextFileName(unsigned contextId);

private:
    std::string fileName(unsigned number, unsigned contextId) const;

    std::string baseName;
    std::string extension;
    std::map<unsigned, unsigned> nextNumber;
    std::mutex mutex;
};

} // namespace osgKELVO
