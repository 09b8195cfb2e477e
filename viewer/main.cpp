#include "KELVOview.h"
#include "RuntimeDirectory.h"

#include <osg/ref_ptr>

int main(int argc, char** argv)
{
    osgKELVO::RuntimeDirectory::enterProgramDirectory(argc > 0 ? argv[0] : nullptr);

    osg::ref_ptr<osgKELVO::KELVOview> app = new osgKELVO::KELVOview;
    return app->run();
}
