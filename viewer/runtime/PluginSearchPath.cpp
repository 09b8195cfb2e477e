#include "runtime/PluginSearchPath.h"

#include "runtime/RuntimeDirectory.h"

#include <osg/Notify>
#include <osgDB/Registry>

#include <algorithm>

namespace osgKELVO {

void PluginSearchPath::addProgramDirectory(const char* argv0)
{
    const std::string directory = RuntimeDirectory::executableDirectory(argv0);
    if (directory.empty())
        return;
    osgDB::FilePathList& paths = osgDB::Registry::instance()->getLibraryFilePathList();
    paths.erase(std::remove(paths.begin(), paths.end(), directory), paths.end());
    paths.push_front(directory);
    osg::notify(osg::INFO) << "Looking for the program's own plug-ins in " << directory << std::endl;
}

} // namespace osgKELVO
