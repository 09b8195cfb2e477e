#pragma once

#include <osg/Node>
#include <osg/ref_ptr>

#include <string>

namespace osgKELVO {

// One successfully loaded model, kept so that the configuration writer can save it as a child
// element of the scene's (see config/AttributeExchange.h); the node is not part of the file.
struct ModelRecord
{
    static constexpr const char* element = "Model";

    std::string name;
    std::string filename; // the stored path, written to the configuration
    int layerNum = 0;
    bool visible = false; // the switch value the model was added with
    osg::ref_ptr<osg::Node> node;

    template <class Record, class Attributes>
    static void exchange(Record& record, Attributes& attributes)
    {
        attributes.required("name", record.name);
        attributes.required("filename", record.filename);
        attributes("layerNum", record.layerNum);
        attributes("visible", record.visible);
    }
};

} // namespace osgKELVO
