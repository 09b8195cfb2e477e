#include "runtime/PluginSearchPath.h"

#include "runtime/RuntimeDirectory.h"

#include <osg/Notify>
#include <osg/Version>
#include <osgDB/FileNameUtils>
#include <osgDB/FileUtils>
#include <osgDB/Registry>

#include <algorithm>

namespace osgKELVO {

void PluginSearchPath::addProgramDirectory(const char* argv0)
{
    const std::string directory = RuntimeDirectory::executableDirectory(argv0);
    if (!directory.empty())
        addDirectory(directory);
}

void PluginSearchPath::addDirectory(const std::string& directory)
{
    osgDB::Registry* registry = osgDB::Registry::instance();
    osgDB::FilePathList& paths = registry->getLibraryFilePathList();
    paths.erase(std::remove(paths.begin(), paths.end(), directory), paths.end());
    paths.push_front(directory);
    osg::notify(osg::INFO) << "Looking for the program's own plug-ins in " << directory
                           << std::endl;

    // Loaded by the registry's own name for them (their folder, osgPlugins-<version>, and file),
    // found through the path above, so that a later look-up by extension finds them loaded.
    const std::string folder = std::string("osgPlugins-") + osgGetVersion();
    for (const std::string& name : osgDB::getDirectoryContents(directory + "/" + folder))
        if (osgDB::getFileExtension(name) == "so")
            registry->loadLibrary(folder + "/" + name);
}

} // namespace osgKELVO
