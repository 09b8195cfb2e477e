#include "app/SequentialScreenshotWriter.h"

#include <osg/Notify>
#include <osgDB/FileUtils>
#include <osgDB/WriteFile>

namespace osgKELVO {

SequentialScreenshotWriter::SequentialScreenshotWriter(const std::string& baseName, const std::string& extension)
    : baseName(baseName), extension(extension)
{
}

std::string SequentialScreenshotWriter::fileName(unsigned number, unsigned contextId) const
{
    return baseName + "_" + std::to_string(number) + "_" + std::to_string(contextId) + "." + extension;
}

std::string SequentialScreenshotWriter::nextFileName(unsigned contextId)
{
    unsigned& number = nextNumber[contextId];
    while (osgDB::fileExists(fileName(number, contextId)))
        ++number;
    return fileName(number, contextId);
}

void SequentialScreenshotWriter::operator()(const osg::Image& image, const unsigned int contextId)
{
    std::string name;
    {
        // Captures arrive on the draw thread of each context.
        std::lock_guard<std::mutex> lock(mutex);
        name = nextFileName(contextId);
        ++nextNumber[contextId];
    }
    if (osgDB::writeImageFile(image, name))
        osg::notify(osg::INFO) << "Screen captured to " << name << std::endl;
    else
        osg::notify(osg::WARN) << "Could not write screenshot " << name << std::endl;
}

} // namespace osgKELVO
