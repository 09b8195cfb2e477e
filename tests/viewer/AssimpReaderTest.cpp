// glTF, FBX and IFC files written by others (Debian's assimp-testmodels), read as the viewer reads
// them: through the registry, with the program's own plug-ins found beside the executable.

#include "NotifyCapture.h"

#include "runtime/PluginSearchPath.h"

#include <osg/Geometry>
#include <osg/Material>
#include <osg/Texture2D>
#include <osgDB/FileNameUtils>
#include <osgDB/ReadFile>
#include <osgDB/Registry>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct Sample
{
    const char* file;   // under the package's model folder
    osg::Vec3 low;      // corners of the bounding box in the scene, Z up, in metres
    osg::Vec3 high;
    int imageWidth;     // of the base-colour texture, 0 for none
    osg::Vec4 colour;   // a base colour some material carries; alpha 0 for none looked for
    const char* reason; // of the one warning of a file that reads as nothing
};

void PrintTo(const Sample& sample, std::ostream* out)
{
    *out << sample.file;
}

// What a model holds that the scene draws: geometries, the box round their vertices where they
// are drawn, their materials and textures.
struct Contents : osg::NodeVisitor
{
    Contents() : osg::NodeVisitor(TRAVERSE_ALL_CHILDREN) {}
    void apply(osg::Geometry& geometry) override
    {
        const auto* vertices = dynamic_cast<const osg::Vec3Array*>(geometry.getVertexArray());
        const osg::Matrix toScene = osg::computeLocalToWorld(getNodePath());
        for (const osg::Vec3& vertex : *vertices)
            box.expandBy(vertex * toScene);
        const osg::Array* normals = geometry.getNormalArray();
        withNormals += normals && normals->getBinding() == osg::Array::BIND_PER_VERTEX &&
                       normals->getNumElements() == vertices->getNumElements();
        ++geometries;
        const osg::StateSet* state = geometry.getStateSet();
        if (!state)
            return;
        if (auto* material = dynamic_cast<const osg::Material*>(
                state->getAttribute(osg::StateAttribute::MATERIAL)))
            colours.push_back(material->getDiffuse(osg::Material::FRONT));
        if (auto* texture = dynamic_cast<const osg::Texture2D*>(
                state->getTextureAttribute(0, osg::StateAttribute::TEXTURE))) {
            image = texture->getImage();
            textured = geometry.getTexCoordArray(0) != nullptr;
        }
    }
    bool hasColour(const osg::Vec4& wanted) const
    {
        return std::any_of(colours.begin(), colours.end(), [&](const osg::Vec4& colour) {
            return (colour - wanted).length() < 0.002f;
        });
    }
    osg::BoundingBox box;
    unsigned geometries = 0, withNormals = 0;
    std::vector<osg::Vec4> colours;
    const osg::Image* image = nullptr;
    bool textured = false;
};

class AssimpReader : public ::testing::TestWithParam<Sample>
{
protected:
    static void SetUpTestSuite()
    {
        osgKELVO::PluginSearchPath::addDirectory(std::string(KELVO_DIST_DIR) + "/Bin");
    }
};

TEST_P(AssimpReader, ReadsThroughTheRegistry)
{
    const Sample& sample = GetParam();
    const std::string file = std::string(KELVO_ASSIMP_MODELS_DIR) + "/" + sample.file;
    const osgDB::ReaderWriter* reader = osgDB::Registry::instance()->getReaderWriterForExtension(
        osgDB::getLowerCaseFileExtension(file));
    ASSERT_TRUE(reader && (reader->supportedFeatures() & osgDB::ReaderWriter::FEATURE_READ_NODE));

    kelvotest::NotifyCapture notices;
    const osg::ref_ptr<osg::Node> node = osgDB::readRefNodeFile(file);
    std::vector<std::string> warnings;
    for (const auto& [severity, line] : notices.lines())
        if (severity <= osg::WARN)
            warnings.push_back(line);

    if (sample.reason) {
        EXPECT_FALSE(node);
        ASSERT_EQ(warnings.size(), 1u) << notices.dump();
        EXPECT_NE(warnings[0].find(file), std::string::npos) << warnings[0];
        EXPECT_NE(warnings[0].find(sample.reason), std::string::npos) << warnings[0];
        return;
    }
    ASSERT_TRUE(node);
    EXPECT_TRUE(warnings.empty()) << notices.dump();

    Contents contents;
    node->accept(contents);
    const float tolerance = 0.002f * (sample.high - sample.low).length();
    for (int axis = 0; axis < 3; ++axis) {
        SCOPED_TRACE(axis);
        EXPECT_NEAR(contents.box._min[axis], sample.low[axis], tolerance);
        EXPECT_NEAR(contents.box._max[axis], sample.high[axis], tolerance);
    }
    EXPECT_GT(contents.geometries, 0u);
    EXPECT_EQ(contents.withNormals, contents.geometries);
    if (sample.colour.a() > 0.0f) {
        EXPECT_TRUE(contents.hasColour(sample.colour));
    }
    if (sample.imageWidth == 0) {
        EXPECT_FALSE(contents.image);
        return;
    }
    ASSERT_TRUE(contents.image && contents.image->data());
    EXPECT_TRUE(contents.textured);
    EXPECT_EQ(contents.image->s(), sample.imageWidth);
}

INSTANTIATE_TEST_SUITE_P(
    Files, AssimpReader,
    ::testing::Values(
        // A unit cube, its buffer and image (211 pixels wide) beside it; then all in one file.
        Sample{"glTF2/BoxTextured-glTF/BoxTextured.gltf", {-0.5f, -0.5f, -0.5f},
               {0.5f, 0.5f, 0.5f}, 211, {}, nullptr},
        Sample{"glTF2/BoxTextured-glTF-Binary/BoxTextured.glb", {-0.5f, -0.5f, -0.5f},
               {0.5f, 0.5f, 0.5f}, 211, {}, nullptr},
        // Y up: 743 long, reaching 181 down and 92 up from its origin; orange among its colours.
        Sample{"glTF2/2CylinderEngine-glTF-Binary/2CylinderEngine.glb",
               {-371.7f, -128.0f, -181.0f}, {371.7f, 140.0f, 92.04f}, 0,
               {0.85f, 0.561f, 0.0f, 1.0f}, nullptr},
        // Y up in centimetres: two cubes, 20.9 by 32.8 cm and 20.5 cm high; red and green.
        Sample{"FBX/cubes_nonames.fbx", {-0.0607f, -0.2673f, -0.1452f},
               {0.1487f, 0.0604f, 0.0599f}, 0, {0.8f, 0.0f, 0.0f, 1.0f}, nullptr},
        // Z up in metres: a 1.2 m box standing on the ground, its image embedded in the file.
        Sample{"FBX/embedded_ascii/box.FBX", {-0.6f, -0.6f, 0.0f}, {0.6f, 0.6f, 1.2f}, 512, {},
               nullptr},
        // A house on its plot, from the cellar floor 1 m down to the ridge at 6.3 m.
        Sample{"IFC/AC14-FZK-Haus.ifc", {-3.0f, -3.0f, -1.0f}, {15.0f, 13.0f, 6.318f}, 0, {},
               nullptr},
        Sample{"glTF2/MissingBin/BoxTextured.gltf", {}, {}, 0, {},
               "could not open referenced file \"BoxTextured0.bin\""},
        Sample{"FBX/transparentTest.fbx", {}, {}, 0, {}, "block offset is out of range"}));

} // namespace
