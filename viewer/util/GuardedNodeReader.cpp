#include "util/GuardedNodeReader.h"

#include <osg/Notify>
#include <osgDB/Registry>

#include <exception>
#include <new>

namespace osgKELVO {

osg::ref_ptr<osg::Node> GuardedNodeReader::read(const std::string& filename,
                                                const osgDB::Options* options, std::string* problem)
{
    std::string reason;
    try {
        // What osgDB::readRefNodeFile does, keeping the reader's reason.
        osgDB::ReaderWriter::ReadResult result =
            osgDB::Registry::instance()->readNode(filename, options);
        if (result.validNode())
            return result.getNode();
        if (!result.success())
            osg::notify(osg::WARN) << "Error reading file " << filename << ": "
                                   << result.statusMessage() << std::endl;
        reason = result.message();
    } catch (const std::bad_alloc&) {
        reason = "Not enough memory to read " + filename;
        osg::notify(osg::WARN) << reason << std::endl;
    } catch (const std::exception& error) {
        reason = error.what();
        osg::notify(osg::WARN) << "Reading " << filename << " failed: " << reason << std::endl;
    } catch (...) {
        osg::notify(osg::WARN) << "Reading " << filename << " failed" << std::endl;
    }
    if (problem)
        *problem = reason;
    return nullptr;
}

} // namespace osgKELVO
