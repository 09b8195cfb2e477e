#include "platform/x11/DropAwareWindowingSystem.h"
#include "app/KELVOview.h"
#include "desktop/CommandLineFiles.h"
#include "runtime/PluginSearchPath.h"
#include "runtime/RuntimeDirectory.h"

#include <osg/ref_ptr>

#include <cstdio>

int main(int argc, char** argv)
{
    // One line at a time, also into a pipe or a log file, so that what the viewer says is seen
    // as it happens.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    // Before moving into the program's directory, which changes what relative names mean.
    const osgKELVO::CommandLineFiles files(argc, argv);
    const char* argv0 = argc > 0 ? argv[0] : nullptr;
    osgKELVO::RuntimeDirectory::enterProgramDirectory(argv0);
    osgKELVO::PluginSearchPath::addProgramDirectory(argv0);
    osgKELVO::DropAwareWindowingSystem::install();

    osg::ref_ptr<osgKELVO::KELVOview> app = new osgKELVO::KELVOview;
    app->build();
    files.post(*app->getViewer().getEventQueue());
    return app->run();
}
