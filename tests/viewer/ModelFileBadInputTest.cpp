// Model files that cannot be models, and a reader that throws.

#include "BadBytes.h"

#include "runtime/PluginSearchPath.h"
#include "scene/SceneController.h"

#include "NotifyCapture.h"
#include "ScratchTree.h"
#include "TestArchive.h"

#include <gtest/gtest.h>
#include <osg/Geometry>
#include <osgDB/FileNameUtils>
#include <osgDB/ReadFile>
#include <osgDB/Registry>

#include <new>
#include <stdexcept>
#include <string>

using kelvotest::NotifyCapture;
using kelvotest::ScratchTree;
using osgKELVO::SceneController;

namespace {

const std::string sampleData = std::string(KELVO_TESTDATA_DIR) + "/osg-sample-data/";
const std::string cow = sampleData + "cow.osg";

// An oracle of its own: every primitive uses vertices the geometry holds, and every per-vertex
// array has a value for each vertex.
class DrawnWithinItsData : public osg::NodeVisitor
{
public:
    DrawnWithinItsData() : osg::NodeVisitor(TRAVERSE_ALL_CHILDREN) {}
    void apply(osg::Geometry& geometry) override
    {
        const unsigned n = geometry.getVertexArray() ? geometry.getVertexArray()->getNumElements() : 0;
        for (unsigned p = 0; p < geometry.getNumPrimitiveSets(); ++p)
            for (unsigned i = 0; i < geometry.getPrimitiveSet(p)->getNumIndices(); ++i)
                within = within && geometry.getPrimitiveSet(p)->index(i) < n;
        for (const osg::Array* array :
             {geometry.getNormalArray(), geometry.getColorArray(), geometry.getTexCoordArray(0)})
            if (array && array->getBinding() == osg::Array::BIND_PER_VERTEX && array->getNumElements() < n)
                within = false;
    }
    bool within = true;
};

osg::ref_ptr<osg::Geode> triangle(osg::PrimitiveSet* primitives, osg::Array* normals = nullptr)
{
    osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    for (const osg::Vec3& corner : {osg::Vec3(0, 0, 0), osg::Vec3(1, 0, 0), osg::Vec3(0, 0, 1)})
        vertices->push_back(corner);
    geometry->setVertexArray(vertices);
    if (normals)
        geometry->setNormalArray(normals, osg::Array::BIND_PER_VERTEX);
    geometry->addPrimitiveSet(primitives);
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(geometry);
    return geode;
}

// A reader for .dxf files that fails as a real plug-in can on a file that lies about its sizes:
// by throwing. Put first in the registry's list, so that it is asked before the real one.
class ThrowingReader : public osgDB::ReaderWriter
{
public:
    explicit ThrowingReader(bool outOfMemory) : outOfMemory(outOfMemory) { supportsExtension("dxf", "throws"); }
    ReadResult readNode(const std::string& file, const osgDB::Options*) const override
    {
        if (!acceptsExtension(osgDB::getLowerCaseFileExtension(file)))
            return ReadResult::FILE_NOT_HANDLED;
        if (outOfMemory)
            throw std::bad_alloc();
        throw std::runtime_error("block of 2139062143 bytes is past the end of the file");
    }
    const bool outOfMemory;
};

// The viewer finds the project's own zip loader next to its executable; the scene has a tree.
class ModelFileBadInput : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        osgKELVO::PluginSearchPath::addProgramDirectory((std::string(KELVO_DIST_DIR) + "/Bin/KELVOview").c_str());
    }

    // A real model in the format of the extension, written by the library's own writer; its bytes.
    std::string realModel(const std::string& extension)
    {
        const std::string relative = "Content/real." + extension;
        if (extension == "zip")
            kelvotest::TestArchive().addFile("cow.osg", cow).write(tree.path(relative));
        else if (osg::ref_ptr<osg::Node> node = osgDB::readRefNodeFile(cow))
            tree.writeNode(relative, *node);
        return badinput::readFile(tree.path(relative));
    }

    ScratchTree tree;
    osg::ref_ptr<osg::Group> scene = new osg::Group;
    osg::ref_ptr<SceneController> controller = new SceneController(scene);
};

} // namespace

// Layers outside 0 to 999 are refused before any reading. A file loads when a reader of models
// claims its extension, in any case; an image format or an extension no reader claims is refused
// before any reading. (A missing file: the desktop session; no extension: the drop session.)
TEST_F(ModelFileBadInput, ModelFormatsLoadOtherFilesAndFarLayersAreRefusedWithTheirMessage)
{
    for (const int layer : {1000, -1, 2000000000}) {
        NotifyCapture notes;
        controller->addModel("Far", cow, layer, true);
        EXPECT_TRUE(notes.has(osg::WARN, "Skipping model \"Far\" (" + cow + "): layer number " +
                                             std::to_string(layer) + " is outside 0 to 999"));
        EXPECT_FALSE(notes.hasText("Laddar")) << "nothing is read";
    }
    EXPECT_EQ(0u, controller->getNumLayers());

    const std::string text = badinput::readFile(cow);
    const std::string image = badinput::readFile(sampleData + "Images/dark_grey.tga");
    const struct { const char* name; std::string bytes; bool loads; } files[] = {
        {"cow.OSG", text, true}, {"cow.osgt", realModel("osgt"), true},
        {"cow.OBJ", realModel("obj"), true}, {"cow.stl", realModel("stl"), true},
        {"grey.tga", image, false}, {"cow.png", text, false},
        {"cow.ive.bak", text, false}, {"cow.", text, false}, {".osg.txt", text, false}};
    unsigned loaded = 0;
    for (const auto& file : files) {
        const std::string path = tree.path(std::string("Content/") + file.name);
        SCOPED_TRACE(path);
        tree.write(std::string("Content/") + file.name, file.bytes);
        NotifyCapture notes;
        controller->addModel("Model", path, 0, true);
        loaded += file.loads;
        EXPECT_EQ(loaded, controller->getNumModels()) << notes.dump();
        EXPECT_EQ(!file.loads, notes.has(osg::WARN, "Unsupported file dropped " + path)) << notes.dump();
        EXPECT_EQ(file.loads, notes.hasText("Laddar")) << "a refused file is not read";
    }
}

// Empty files, garbage and other formats behind a supported extension are refused with their
// message and leave no record and no layer; a model file cut anywhere is refused so too, or gives
// geometry that is drawn within its data (the text format hands back primitives that reach past
// its vertices). The next good model loads.
TEST_F(ModelFileBadInput, BadOrCutFilesAreRefusedOrDrawnWithinTheirData)
{
    const std::string garbage = badinput::garbage(64 * 1024, 7);
    const std::string image = badinput::readFile(sampleData + "Images/dark_grey.tga");
    const std::string text = badinput::readFile(cow), note = "This is not a model.\r\n";
    std::vector<std::pair<std::string, std::string>> files = {
        {"ive", ""}, {"osg", ""}, {"zip", ""}, {"3ds", ""}, {"dxf", ""}, {"IVE", ""},
        {"ive", garbage}, {"osg", garbage}, {"zip", garbage}, {"3ds", garbage}, {"dxf", garbage},
        {"ive", text}, {"zip", text}, {"3ds", text}, {"ive", image}, {"osg", image},
        {"zip", image}, {"dxf", image}, {"osg", note}, {"ive", note}};
    const std::size_t refused = files.size();
    for (const char* extension : {"osg", "ive", "3ds", "zip"}) {
        const std::string bytes = extension == std::string("osg") ? text : realModel(extension);
        ASSERT_FALSE(bytes.empty()) << extension;
        for (int percent = 5; percent < 100; percent += 10)
            files.emplace_back(extension, badinput::firstPart(bytes, percent / 100.0));
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        // A path outside the program root is stored as given.
        const std::string relative = "Content/bad" + std::to_string(i) + "." + files[i].first;
        const std::string path = "../" + relative;
        SCOPED_TRACE(path);
        tree.write(relative, files[i].second);
        osg::ref_ptr<osg::Group> root = new osg::Group;
        osg::ref_ptr<SceneController> fresh = new SceneController(root);
        NotifyCapture notes;
        fresh->addModel("Bad", path, 2, true);
        if (i >= refused && fresh->getNumModels() == 1) {
            DrawnWithinItsData check;
            fresh->getModelRecord(0).node->accept(check);
            EXPECT_TRUE(check.within) << "a model was accepted whose geometry reaches past its data";
            continue;
        }
        EXPECT_TRUE(notes.has(osg::WARN, "Unable to load model " + path)) << notes.dump();
        EXPECT_EQ(0u, fresh->getNumModels());
        EXPECT_EQ(0u, root->getNumChildren()) << "no layer";
        fresh->addModel("Cow", cow, 0, true);
        EXPECT_EQ(1u, root->getNumChildren()) << "the next good model still loads";
    }
}

// The text format cut short, and files of a faulty exporter (indices past the vertices, too short a
// draw range, too few normals): each is refused with what is wrong; the sound triangle is taken.
TEST_F(ModelFileBadInput, DamagedGeometryIsRefusedWithWhatIsWrong)
{
    tree.write("Content/tenth.osg", badinput::firstPart(badinput::readFile(cow), 0.1));
    tree.write("Content/half.osg", badinput::firstPart(badinput::readFile(cow), 0.5));
    osg::ref_ptr<osg::DrawElementsUShort> pastTheEnd = new osg::DrawElementsUShort(GL_TRIANGLES);
    for (unsigned short i : {0, 1, 3})
        pastTheEnd->push_back(i);
    ASSERT_TRUE(tree.writeNode("Content/elements.ive", *triangle(pastTheEnd)));
    ASSERT_TRUE(tree.writeNode("Content/arrays.ive", *triangle(new osg::DrawArrays(GL_TRIANGLES, 1, 3))));
    ASSERT_TRUE(tree.writeNode("Content/normals.ive",
                               *triangle(new osg::DrawArrays(GL_TRIANGLES, 0, 3), new osg::Vec3Array(2))));
    ASSERT_TRUE(tree.writeNode("Content/sound.ive", *triangle(new osg::DrawArrays(GL_TRIANGLES, 0, 3))));

    const std::pair<const char*, const char*> damaged[] = {
        {"tenth.osg", "a geometry draws 7772 vertices but holds "},
        {"half.osg", "a geometry of 7772 vertices has too few normal values"},
        {"elements.ive", "a geometry draws 4 vertices but holds 3"},
        {"arrays.ive", "a geometry draws 4 vertices but holds 3"},
        {"normals.ive", "a geometry of 3 vertices has too few normal values"}};
    for (const auto& file : damaged) {
        const std::string path = std::string("../Content/") + file.first;
        NotifyCapture notes;
        controller->addModel(file.first, path, 0, true);
        EXPECT_TRUE(notes.hasText("Model " + path + " is damaged: " + file.second)) << notes.dump();
        EXPECT_TRUE(notes.has(osg::WARN, "Unable to load model " + path));
    }
    controller->addModel("sound", "../Content/sound.ive", 0, true);
    ASSERT_EQ(1u, controller->getNumModels());
    EXPECT_EQ("sound", controller->getModelRecord(0).name);
}

// The exception would otherwise leave the event traversal and end the viewer.
TEST_F(ModelFileBadInput, AReaderThatThrowsRefusesTheModelWithItsMessage)
{
    const std::string path = "../Content/lying.dxf";
    tree.write("Content/lying.dxf", std::string(3000, '\x7f'));
    osgDB::Registry::ReaderWriterList& readers = osgDB::Registry::instance()->getReaderWriterList();
    for (const bool outOfMemory : {true, false}) {
        osg::ref_ptr<ThrowingReader> reader = new ThrowingReader(outOfMemory);
        readers.insert(readers.begin(), reader);
        NotifyCapture notes;
        controller->addModel("Lying", path, 1, true);
        osgDB::Registry::instance()->removeReaderWriter(reader.get());
        const std::string failed = "Reading " + path + " failed: block of 2139062143 bytes is past the end of the file";
        EXPECT_TRUE(notes.has(osg::WARN, outOfMemory ? "Not enough memory to read " + path : failed))
            << notes.dump();
        EXPECT_TRUE(notes.has(osg::WARN, "Unable to load model " + path)) << notes.dump();
        EXPECT_EQ(0u, controller->getNumLayers());
    }
}
