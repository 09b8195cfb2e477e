#pragma once

#include "NodeFileReaderWriter.h"

namespace osgKELVO {

// Loader, on the Open Asset Import Library, for model formats the scene graph's own plug-ins lack:
// glTF 2.0 (".gltf" with its buffers and images beside it, ".glb"), FBX and IFC. The scene comes
// Z-up and in metres. A file the library cannot read reads as nothing, with the library's reason
// in the result's message, which the scene graph's read functions write as one warning
// ("Error reading file <model>: read error (<reason>)").
class ReaderWriterAssimp : public NodeFileReaderWriter
{
public:
    ReaderWriterAssimp();

    const char* className() const override { return "KELVOview glTF, FBX and IFC reader"; }

protected:
    ReadResult readFoundNode(const std::string& path,
                             const osgDB::Options* options) const override;
};

} // namespace osgKELVO
