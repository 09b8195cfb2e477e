#include "AssimpSceneBuilder.h"

#include <assimp/material.h>
#include <assimp/scene.h>
#include <osg/Geode>
#include <osg/Material>
#include <osg/MatrixTransform>
#include <osg/Notify>
#include <osgDB/FileNameUtils>
#include <osgDB/FileUtils>
#include <osgDB/Registry>

#include <algorithm>
#include <sstream>

namespace osgKELVO {

namespace {

// The library's matrices act on column vectors, the scene graph's on row vectors.
osg::Matrixd toMatrix(const aiMatrix4x4& m)
{
    return osg::Matrixd(m.a1, m.b1, m.c1, m.d1, m.a2, m.b2, m.c2, m.d2, m.a3, m.b3, m.c3, m.d3,
                        m.a4, m.b4, m.c4, m.d4);
}

osg::ref_ptr<osg::Group> groupFor(const osg::Matrixd& matrix)
{
    if (matrix.isIdentity())
        return new osg::Group;
    return new osg::MatrixTransform(matrix);
}

osg::ref_ptr<osg::Vec3Array> toArray(const aiVector3D* values, unsigned count)
{
    osg::ref_ptr<osg::Vec3Array> array = new osg::Vec3Array(count);
    for (unsigned i = 0; i < count; ++i)
        (*array)[i].set(values[i].x, values[i].y, values[i].z);
    return array;
}

// The library hands scenes Y-up, except FBX, whose axes it keeps and names in the metadata.
osg::Vec3 upAxisOf(const aiScene& scene)
{
    int axis = 1;
    int sign = 1;
    if (scene.mMetaData) {
        scene.mMetaData->Get("UpAxis", axis);
        scene.mMetaData->Get("UpAxisSign", sign);
    }
    osg::Vec3 up;
    up[axis >= 0 && axis < 3 ? axis : 1] = sign < 0 ? -1.0f : 1.0f;
    return up;
}

GLenum primitiveMode(unsigned corners)
{
    switch (corners) {
    case 1: return GL_POINTS;
    case 2: return GL_LINES;
    default: return GL_TRIANGLES;
    }
}

} // namespace

AssimpSceneBuilder::AssimpSceneBuilder(const aiScene& scene, const std::string& modelPath,
                                       const osgDB::Options* options)
    : scene(scene), modelPath(modelPath), options(options)
{
}

osg::ref_ptr<osg::Node> AssimpSceneBuilder::build()
{
    for (unsigned i = 0; i < scene.mNumMaterials; ++i)
        stateSets.push_back(convertMaterial(*scene.mMaterials[i]));
    for (unsigned i = 0; i < scene.mNumMeshes; ++i)
        geometries.push_back(convertMesh(*scene.mMeshes[i]));
    osg::ref_ptr<osg::Group> root = groupFor(osg::Matrixd::rotate(upAxisOf(scene), osg::Z_AXIS));
    root->addChild(convertNode(*scene.mRootNode));
    return root;
}

osg::ref_ptr<osg::Node> AssimpSceneBuilder::convertNode(const aiNode& node) const
{
    osg::ref_ptr<osg::Group> group = groupFor(toMatrix(node.mTransformation));
    group->setName(node.mName.C_Str());
    if (node.mNumMeshes > 0) {
        osg::ref_ptr<osg::Geode> geode = new osg::Geode;
        for (unsigned i = 0; i < node.mNumMeshes; ++i)
            geode->addDrawable(geometries[node.mMeshes[i]]);
        group->addChild(geode);
    }
    for (unsigned i = 0; i < node.mNumChildren; ++i)
        group->addChild(convertNode(*node.mChildren[i]));
    return group;
}

osg::ref_ptr<osg::Geometry> AssimpSceneBuilder::convertMesh(const aiMesh& mesh) const
{
    osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
    geometry->setName(mesh.mName.C_Str());
    geometry->setVertexArray(toArray(mesh.mVertices, mesh.mNumVertices));
    if (mesh.HasNormals())
        geometry->setNormalArray(toArray(mesh.mNormals, mesh.mNumVertices),
                                 osg::Array::BIND_PER_VERTEX);
    if (mesh.HasTextureCoords(0)) {
        osg::ref_ptr<osg::Vec2Array> coordinates = new osg::Vec2Array(mesh.mNumVertices);
        for (unsigned i = 0; i < mesh.mNumVertices; ++i)
            (*coordinates)[i].set(mesh.mTextureCoords[0][i].x, mesh.mTextureCoords[0][i].y);
        geometry->setTexCoordArray(0, coordinates, osg::Array::BIND_PER_VERTEX);
    }

    // Sorted by primitive type, a mesh holds points, lines or triangles alone.
    const unsigned corners = mesh.mNumFaces > 0 ? mesh.mFaces[0].mNumIndices : 3;
    osg::ref_ptr<osg::DrawElementsUInt> elements =
        new osg::DrawElementsUInt(primitiveMode(corners));
    elements->reserve(mesh.mNumFaces * corners);
    for (unsigned i = 0; i < mesh.mNumFaces; ++i)
        if (mesh.mFaces[i].mNumIndices == corners)
            elements->insert(elements->end(), mesh.mFaces[i].mIndices,
                             mesh.mFaces[i].mIndices + corners);
    geometry->addPrimitiveSet(elements);
    geometry->setStateSet(stateSets[mesh.mMaterialIndex]);
    return geometry;
}

osg::ref_ptr<osg::StateSet> AssimpSceneBuilder::convertMaterial(const aiMaterial& material)
{
    // The library gives glTF's base colour as the diffuse colour too. Formats that give their
    // transparency both as the colour's alpha and as an opacity give it twice, not squared.
    aiColor4D colour(1.0f, 1.0f, 1.0f, 1.0f);
    material.Get(AI_MATKEY_COLOR_DIFFUSE, colour);
    float opacity = 1.0f;
    material.Get(AI_MATKEY_OPACITY, opacity);
    const osg::Vec4 diffuse(colour.r, colour.g, colour.b, std::min(colour.a, opacity));

    osg::ref_ptr<osg::StateSet> stateSet = new osg::StateSet;
    osg::ref_ptr<osg::Material> osgMaterial = new osg::Material;
    osgMaterial->setAmbient(osg::Material::FRONT_AND_BACK, diffuse);
    osgMaterial->setDiffuse(osg::Material::FRONT_AND_BACK, diffuse);
    stateSet->setAttributeAndModes(osgMaterial);
    if (diffuse.a() < 1.0f) {
        stateSet->setMode(GL_BLEND, osg::StateAttribute::ON);
        stateSet->setRenderingHint(osg::StateSet::TRANSPARENT_BIN);
    }

    aiString name;
    if (material.GetTexture(aiTextureType_BASE_COLOR, 0, &name) == AI_SUCCESS ||
        material.GetTexture(aiTextureType_DIFFUSE, 0, &name) == AI_SUCCESS)
        if (osg::ref_ptr<osg::Texture2D> texture = textureFor(name.C_Str()))
            stateSet->setTextureAttributeAndModes(0, texture);
    return stateSet;
}

osg::ref_ptr<osg::Texture2D> AssimpSceneBuilder::textureFor(const std::string& name)
{
    const auto known = textures.find(name);
    if (known != textures.end())
        return known->second;
    std::string reason;
    osg::ref_ptr<osg::Texture2D> texture;
    if (osg::ref_ptr<osg::Image> image = readImage(name, reason)) {
        texture = new osg::Texture2D(image);
        texture->setWrap(osg::Texture::WRAP_S, osg::Texture::REPEAT);
        texture->setWrap(osg::Texture::WRAP_T, osg::Texture::REPEAT);
        // glTF images come in any size, which every OpenGL 2 driver draws as it is.
        texture->setResizeNonPowerOfTwoHint(false);
    } else {
        OSG_WARN << modelPath << ": texture " << name << " " << reason << std::endl;
    }
    textures[name] = texture;
    return texture;
}

osg::ref_ptr<osg::Image> AssimpSceneBuilder::readImage(const std::string& name,
                                                       std::string& reason) const
{
    if (const aiTexture* embedded = scene.GetEmbeddedTexture(name.c_str())) {
        // An embedded image is a whole image file (height 0), of the type its hint names.
        osgDB::ReaderWriter* reader =
            embedded->mHeight == 0
                ? osgDB::Registry::instance()->getReaderWriterForExtension(embedded->achFormatHint)
                : nullptr;
        if (!reader) {
            reason = "embedded in the file is of no image type the registry reads";
            return nullptr;
        }
        std::istringstream bytes(
            std::string(reinterpret_cast<const char*>(embedded->pcData), embedded->mWidth));
        osg::ref_ptr<osg::Image> image = reader->readImage(bytes, options.get()).getImage();
        if (!image)
            reason = "embedded in the file cannot be decoded";
        return image;
    }
    // Files written on Windows name their images with backslashes, often by a path on the
    // author's machine; the image itself then lies beside the model.
    const std::string file = osgDB::convertFileNameToUnixStyle(name);
    std::string path = osgDB::findDataFile(file, options.get());
    if (path.empty())
        path = osgDB::findDataFile(osgDB::getSimpleFileName(file), options.get());
    if (path.empty()) {
        reason = "not found";
        return nullptr;
    }
    osg::ref_ptr<osg::Image> image =
        osgDB::Registry::instance()->readImage(path, options.get()).getImage();
    if (!image)
        reason = "cannot be read from " + path;
    return image;
}

} // namespace osgKELVO
