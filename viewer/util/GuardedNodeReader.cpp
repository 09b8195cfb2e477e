#include "util/GuardedNodeReader.h"

#include <osg/Notify>
#include <osgDB/ReadFile>

#include <exception>
#include <new>

namespace osgKELVO {

osg::ref_ptr<osg::Node> GuardedNodeReader::read(const std::string& filename, const osgDB::Options* options)
{
    try {
        return osgDB::readRefNodeFile(filename, options);
    } catch (const std::bad_alloc&) {
        osg::notify(osg::WARN) << "Not enough memory to read " << filename << std::endl;
    } catch (const std::exception& error) {
        osg::notify(osg::WARN) << "Reading " << filename << " failed: " << error.what() << std::endl;
    } catch (...) {
        osg::notify(osg::WARN) << "Reading " << filename << " failed" << std::endl;
    }
    return nullptr;
}

} // namespace osgKELVO
