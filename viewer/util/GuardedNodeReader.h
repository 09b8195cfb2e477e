#pragma once

#include <osg/Node>
#include <osg/ref_ptr>
#include <osgDB/Options>

#include <string>

namespace osgKELVO {

// Reads a node file through the scene-graph library's plug-ins, but never lets a plug-in's
// exception reach the frame loop. A few bytes can make a reader ask for gigabytes (a damaged .ive
// file claims a 2 GB block); where the memory is not there, the reader throws std::bad_alloc, which
// would otherwise end the viewer. Such a file is reported (WARN) and reads as nothing. On failure,
// problem (where given) receives the reader's reason, or an empty text when it gave none.
class GuardedNodeReader
{
public:
    static osg::ref_ptr<osg::Node> read(const std::string& filename, const osgDB::Options* options,
                                        std::string* problem = nullptr);
};

} // namespace osgKELVO
