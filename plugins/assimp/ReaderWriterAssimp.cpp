#include "ReaderWriterAssimp.h"

#include "AssimpSceneBuilder.h"

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <osgDB/FileNameUtils>
#include <osgDB/Registry>

namespace osgKELVO {

ReaderWriterAssimp::ReaderWriterAssimp()
{
    supportsExtension("gltf", "glTF 2.0 model, its buffers and images beside it");
    supportsExtension("glb", "glTF 2.0 binary model");
    supportsExtension("fbx", "Autodesk FBX model");
    supportsExtension("ifc", "Industry Foundation Classes building model");
}

osgDB::ReaderWriter::ReadResult ReaderWriterAssimp::readFoundNode(
    const std::string& path, const osgDB::Options* options) const
{
    // Validation turns indices past the end of their arrays into a refusal; the global scale
    // applies the file's own unit (FBX, often centimetres), so that lengths come in metres.
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(
        path, aiProcess_ValidateDataStructure | aiProcess_Triangulate | aiProcess_SortByPType |
                  aiProcess_GenSmoothNormals | aiProcess_GlobalScale);
    if (!scene)
        return ReadResult(importer.GetErrorString());
    if (scene->mNumMeshes == 0)
        return ReadResult("it holds no meshes");

    // The images a model names lie beside it.
    osg::ref_ptr<osgDB::Options> local = options ? options->cloneOptions() : new osgDB::Options;
    local->getDatabasePathList().push_front(osgDB::getFilePath(path));
    return AssimpSceneBuilder(*scene, path, local.get()).build().get();
}

REGISTER_OSGPLUGIN(assimp, ReaderWriterAssimp)

} // namespace osgKELVO
