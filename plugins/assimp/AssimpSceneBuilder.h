#pragma once

#include <osg/Geometry>
#include <osg/Node>
#include <osg/StateSet>
#include <osg/Texture2D>
#include <osg/ref_ptr>
#include <osgDB/Options>

#include <map>
#include <string>
#include <vector>

struct aiMaterial;
struct aiMesh;
struct aiNode;
struct aiScene;

namespace osgKELVO {

// Turns a scene the Open Asset Import Library has read into a scene graph, Z-up: a group per
// node, a matrix transform where the node has a transform of its own, one geometry per mesh
// (vertices, normals, first texture coordinates) and one state per material (base colour, the
// base-colour texture) shared by every node that uses them. Images embedded in the file are
// decoded through the registry's image readers; the others are looked for along the options'
// data paths, by the name the file gives and then by its last part.
class AssimpSceneBuilder
{
public:
    AssimpSceneBuilder(const aiScene& scene, const std::string& modelPath,
                       const osgDB::Options* options);

    osg::ref_ptr<osg::Node> build();

private:
    osg::ref_ptr<osg::Node> convertNode(const aiNode& node) const;
    osg::ref_ptr<osg::Geometry> convertMesh(const aiMesh& mesh) const;
    osg::ref_ptr<osg::StateSet> convertMaterial(const aiMaterial& material);
    osg::ref_ptr<osg::Texture2D> textureFor(const std::string& name);
    osg::ref_ptr<osg::Image> readImage(const std::string& name, std::string& reason) const;

    const aiScene& scene;
    const std::string modelPath;
    osg::ref_ptr<const osgDB::Options> options;
    std::vector<osg::ref_ptr<osg::StateSet>> stateSets;  // by material index
    std::vector<osg::ref_ptr<osg::Geometry>> geometries; // by mesh index
    std::map<std::string, osg::ref_ptr<osg::Texture2D>> textures;
};

} // namespace osgKELVO
