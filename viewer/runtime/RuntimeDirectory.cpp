#include "runtime/RuntimeDirectory.h"

#include <osg/Notify>
#include <osgDB/FileNameUtils>
#include <osgDB/FileUtils>

#include <climits>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace osgKELVO {

std::string RuntimeDirectory::executableDirectory(const char* argv0)
{
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (length > 0) {
        buffer[length] = '\0';
        return osgDB::getFilePath(buffer);
    }
    if (argv0 && ::realpath(argv0, buffer))
        return osgDB::getFilePath(buffer);
    return std::string();
}

void RuntimeDirectory::enterProgramDirectory(const char* argv0)
{
    if (osgDB::fileExists("../Resources"))
        return;
    const std::string directory = executableDirectory(argv0);
    if (directory.empty() || !osgDB::fileExists(directory + "/../Resources"))
        return;
    if (::chdir(directory.c_str()) == 0)
        osg::notify(osg::INFO) << "Changed working directory to " << directory
                               << ", beside the program's Resources" << std::endl;
}

} // namespace osgKELVO
