#include "platform/x11/DropAwareWindowingSystem.h"
#include "app/KELVOview.h"
#include "runtime/PluginSearchPath.h"
#include "runtime/RuntimeDirectory.h"

#include <osg/ref_ptr>

#include <cstdio>

int main(int argc, char** argv)
{
    // One line at a time, also into a pipe or a log file, so that what the viewer says is seen
    // as it happens.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    const char* argv0 = argc > 0 ? argv[0] : nullptr;
    osgKELVO::RuntimeDirectory::enterProgramDirectory(argv0);
    osgKELVO::PluginSearchPath::addProgramDirectory(argv0);
    osgKELVO::DropAwareWindowingSystem::install();

    osg::ref_ptr<osgKELVO::KELVOview> app = new osgKELVO::KELVOview;
    return app->run();
}
