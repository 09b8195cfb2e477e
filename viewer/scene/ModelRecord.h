#pragma once

#include <osg/Node>
#include <osg/ref_ptr>

#include <string>

namespace osgKELVO {

// One successfully loaded model, kept so that the configuration writer can save it.
struct ModelRecord
{
    std::string name;
    std::string filename; // the stored path, written to the configuration
    int layerNum;
    bool visible;         // the switch value the model was added with
    osg::ref_ptr<osg::Node> node;
};

} // namespace osgKELVO
