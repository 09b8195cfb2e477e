// Model files that cannot be models: empty, garbage, cut short, or of another format behind a
// supported extension; and files with extensions the viewer does not take. Each is refused with
// its message, leaves no record and no layer, and the next good model still loads.

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

#include <cctype>
#include <new>
#include <stdexcept>
#include <string>

using kelvotest::NotifyCapture;
using kelvotest::ScratchTree;
using osgKELVO::SceneController;

namespace {

const std::string sampleData = std::string(KELVO_TESTDATA_DIR) + "/osg-sample-data/";

enum class Contents
{
    Empty,
    Garbage,
    FirstHalfOfARealModel,
    TextModel,      // cow.osg's text
    Image,          // an image file
    ArchiveOfText,  // an archive holding no model
    Text            // a short note
};

struct BadModel
{
    const char* name;
    const char* extension;
    Contents contents;
};

std::ostream& operator<<(std::ostream& out, const BadModel& model)
{
    return out << model.name;
}

// The project's own zip loader, as the viewer finds it next to its executable.
void useProgramPlugins()
{
    static const bool added = [] {
        osgKELVO::PluginSearchPath::addProgramDirectory((std::string(KELVO_DIST_DIR) + "/Bin/KELVOview").c_str());
        return true;
    }();
    (void)added;
}

class ModelFileBadInput : public ::testing::TestWithParam<BadModel>
{
protected:
    void SetUp() override
    {
        useProgramPlugins();
        scene = new osg::Group;
        controller = new SceneController(scene);
    }

    // The bytes of a file that claims to be a model of the given extension.
    std::string bytesOf(const BadModel& model)
    {
        switch (model.contents) {
        case Contents::Empty:
            return std::string();
        case Contents::Garbage:
            return badinput::garbage(64 * 1024, 7);
        case Contents::FirstHalfOfARealModel:
            return badinput::firstPart(realModelBytes(model.extension), 0.5);
        case Contents::TextModel:
            return badinput::readFile(sampleData + "cow.osg");
        case Contents::Image:
            return badinput::readFile(sampleData + "Images/dark_grey.tga");
        case Contents::ArchiveOfText: {
            const std::string archive = tree.path("Content/note.zip");
            kelvotest::TestArchive().add("a.txt", "hi").write(archive);
            return badinput::readFile(archive);
        }
        case Contents::Text:
            return "This is not a model.\r\n";
        }
        return std::string();
    }

    // A real model in the format of the extension, written by the library's own writer.
    std::string realModelBytes(const std::string& extension)
    {
        if (extension == "osg")
            return badinput::readFile(sampleData + "cow.osg");
        const std::string relative = "Content/real." + extension;
        if (extension == "zip") {
            kelvotest::TestArchive().addFile("cow.osg", sampleData + "cow.osg").write(tree.path(relative));
            return badinput::readFile(tree.path(relative));
        }
        osg::ref_ptr<osg::Node> cow = osgDB::readRefNodeFile(sampleData + "cow.osg");
        if (!cow || !tree.writeNode(relative, *cow))
            return std::string();
        return badinput::readFile(tree.path(relative));
    }

    void expectTheNextGoodModelStillLoads()
    {
        controller->addModel("Cow", sampleData + "cow.osg", 0, true);
        ASSERT_EQ(1u, controller->getNumModels());
        EXPECT_EQ("Cow", controller->getModelRecord(0).name);
        ASSERT_EQ(1u, controller->getNumLayers());
        EXPECT_EQ(1u, controller->getLayer(0)->getNumChildren());
    }

    ScratchTree tree;
    osg::ref_ptr<osg::Group> scene;
    osg::ref_ptr<SceneController> controller;
};

} // namespace

TEST_P(ModelFileBadInput, IsRefusedWithItsMessageAndLeavesNoTrace)
{
    const BadModel model = GetParam();
    const std::string relative = std::string("Content/bad.") + model.extension;
    if (model.contents == Contents::FirstHalfOfARealModel) {
        ASSERT_FALSE(realModelBytes(model.extension).empty()) << "no writer for " << model.extension;
    }
    tree.write(relative, bytesOf(model));

    NotifyCapture notes;
    // A path outside the program root is stored as given.
    const std::string path = "../" + relative;
    controller->addModel("Bad", path, 2, true);
    EXPECT_TRUE(notes.has(osg::NOTICE, "Laddar Bad")) << notes.dump();
    EXPECT_TRUE(notes.has(osg::WARN, "Unable to load model " + path)) << notes.dump();
    EXPECT_EQ(0u, controller->getNumModels());
    EXPECT_EQ(0u, controller->getNumLayers());
    EXPECT_EQ(0u, scene->getNumChildren());

    expectTheNextGoodModelStillLoads();
}

INSTANTIATE_TEST_SUITE_P(
    AddModel, ModelFileBadInput,
    ::testing::Values(BadModel{"EmptyIve", "ive", Contents::Empty},
                      BadModel{"EmptyOsg", "osg", Contents::Empty},
                      BadModel{"EmptyZip", "zip", Contents::Empty},
                      BadModel{"Empty3ds", "3ds", Contents::Empty},
                      BadModel{"EmptyDxf", "dxf", Contents::Empty},
                      BadModel{"GarbageIve", "ive", Contents::Garbage},
                      BadModel{"GarbageOsg", "osg", Contents::Garbage},
                      BadModel{"GarbageZip", "zip", Contents::Garbage},
                      BadModel{"Garbage3ds", "3ds", Contents::Garbage},
                      BadModel{"GarbageDxf", "dxf", Contents::Garbage},
                      BadModel{"TruncatedIve", "ive", Contents::FirstHalfOfARealModel},
                      BadModel{"TruncatedZip", "zip", Contents::FirstHalfOfARealModel},
                      BadModel{"TextModelAsIve", "ive", Contents::TextModel},
                      BadModel{"TextModelAsZip", "zip", Contents::TextModel},
                      BadModel{"TextModelAs3ds", "3ds", Contents::TextModel},
                      BadModel{"ImageAsIve", "ive", Contents::Image},
                      BadModel{"ImageAsOsg", "osg", Contents::Image},
                      BadModel{"ImageAsZip", "zip", Contents::Image},
                      BadModel{"ImageAsDxf", "dxf", Contents::Image},
                      BadModel{"ArchiveWithoutModel", "zip", Contents::ArchiveOfText},
                      BadModel{"ArchiveAsIve", "ive", Contents::ArchiveOfText},
                      BadModel{"NoteAsOsg", "osg", Contents::Text},
                      BadModel{"NoteAsIve", "ive", Contents::Text},
                      BadModel{"UpperCaseExtensionEmpty", "IVE", Contents::Empty}),
    [](const ::testing::TestParamInfo<BadModel>& info) { return std::string(info.param.name); });

namespace {

class UnsupportedModelFile : public ::testing::TestWithParam<const char*>
{
};

} // namespace

// Formats the loader could read but the viewer does not take are refused before any reading.
TEST_P(UnsupportedModelFile, IsRefusedByItsExtensionBeforeReading)
{
    ScratchTree tree;
    osg::ref_ptr<osg::Group> scene = new osg::Group;
    osg::ref_ptr<SceneController> controller = new SceneController(scene);
    const std::string path = tree.path(std::string("Content/") + GetParam());
    tree.write(std::string("Content/") + GetParam(), badinput::readFile(sampleData + "cow.osg"));

    NotifyCapture notes;
    controller->addModel("Unsupported", path, 0, true);
    EXPECT_TRUE(notes.has(osg::WARN, "Unsupported file dropped " + path)) << notes.dump();
    EXPECT_FALSE(notes.hasText("Laddar")) << "nothing is read";
    EXPECT_EQ(0u, controller->getNumModels());
    EXPECT_EQ(0u, controller->getNumLayers());

    controller->addModel("Cow", sampleData + "cow.osg", 0, true);
    EXPECT_EQ(1u, controller->getNumModels());
}

INSTANTIATE_TEST_SUITE_P(AddModel, UnsupportedModelFile,
                         ::testing::Values("cow.osgt", "cow.obj", "cow.png", "cow", "cow.ive.bak",
                                           "cow.", ".osg.txt"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name;
                             for (const char* c = info.param; *c; ++c)
                                 name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             return "File_" + name + "_" + std::to_string(info.index);
                         });

namespace {

// An oracle of its own: every primitive uses vertices the geometry holds, and every per-vertex
// array has a value for each vertex.
class DrawnWithinItsData : public osg::NodeVisitor
{
public:
    DrawnWithinItsData() : osg::NodeVisitor(TRAVERSE_ALL_CHILDREN) {}
    void apply(osg::Geometry& geometry) override
    {
        const unsigned n = geometry.getVertexArray() ? geometry.getVertexArray()->getNumElements() : 0;
        for (unsigned p = 0; p < geometry.getNumPrimitiveSets(); ++p) {
            const osg::PrimitiveSet* set = geometry.getPrimitiveSet(p);
            for (unsigned i = 0; i < set->getNumIndices(); ++i)
                if (set->index(i) >= n)
                    within = false;
        }
        for (const osg::Array* array : {geometry.getNormalArray(), geometry.getColorArray(), geometry.getTexCoordArray(0)})
            if (array && array->getBinding() == osg::Array::BIND_PER_VERTEX && array->getNumElements() < n)
                within = false;
        ++geometries;
    }
    bool within = true;
    unsigned geometries = 0;
};

class ModelFileCutShort : public ::testing::TestWithParam<const char*>
{
protected:
    void SetUp() override { useProgramPlugins(); }
};

} // namespace

// A model file cut anywhere either is refused, or gives geometry that is drawn within its data.
// The text format reads up to the cut and hands back geometry whose primitives reach past its
// vertices; drawn, that reads out of bounds.
TEST_P(ModelFileCutShort, GivesNothingThatIsDrawnPastItsData)
{
    ScratchTree tree;
    const std::string extension = GetParam();
    const std::string whole = "Content/whole." + extension;
    if (extension == "zip") {
        ASSERT_TRUE(kelvotest::TestArchive().addFile("cow.osg", sampleData + "cow.osg").write(tree.path(whole)));
    } else {
        osg::ref_ptr<osg::Node> cow = osgDB::readRefNodeFile(sampleData + "cow.osg");
        ASSERT_TRUE(cow && tree.writeNode(whole, *cow));
    }
    const std::string bytes = badinput::readFile(tree.path(whole));

    for (int percent = 5; percent < 100; percent += 10) {
        SCOPED_TRACE(std::to_string(percent) + "% of the file");
        const std::string relative = "Content/cut" + std::to_string(percent) + "." + extension;
        tree.write(relative, badinput::firstPart(bytes, percent / 100.0));
        osg::ref_ptr<osg::Group> scene = new osg::Group;
        osg::ref_ptr<SceneController> controller = new SceneController(scene);
        NotifyCapture notes;
        controller->addModel("Cut", "../" + relative, 0, true);
        if (controller->getNumModels() == 0) {
            EXPECT_TRUE(notes.has(osg::WARN, "Unable to load model ../" + relative)) << notes.dump();
            continue;
        }
        DrawnWithinItsData check;
        controller->getModelRecord(0).node->accept(check);
        EXPECT_TRUE(check.within) << "a model was accepted whose geometry reaches past its data";
    }
}

INSTANTIATE_TEST_SUITE_P(AddModel, ModelFileCutShort, ::testing::Values("osg", "ive", "3ds", "zip"));

TEST(ModelFileDamaged, TextModelCutShortIsRefusedWithWhatIsWrong)
{
    ScratchTree tree;
    const std::string text = badinput::readFile(sampleData + "cow.osg");
    tree.write("Content/tenth.osg", badinput::firstPart(text, 0.1));
    tree.write("Content/half.osg", badinput::firstPart(text, 0.5));
    osg::ref_ptr<osg::Group> scene = new osg::Group;
    osg::ref_ptr<SceneController> controller = new SceneController(scene);

    NotifyCapture notes;
    controller->addModel("Tenth", "../Content/tenth.osg", 0, true);
    controller->addModel("Half", "../Content/half.osg", 0, true);
    EXPECT_TRUE(notes.hasText("Model ../Content/tenth.osg is damaged: a geometry draws 7772 vertices but holds "))
        << notes.dump();
    EXPECT_TRUE(notes.has(osg::WARN, "Unable to load model ../Content/tenth.osg"));
    EXPECT_TRUE(notes.has(osg::WARN, "Model ../Content/half.osg is damaged: a geometry of 7772 vertices has too "
                                     "few normal values"))
        << notes.dump();
    EXPECT_TRUE(notes.has(osg::WARN, "Unable to load model ../Content/half.osg"));
    EXPECT_EQ(0u, controller->getNumModels());
    EXPECT_EQ(0u, controller->getNumLayers());

    controller->addModel("Cow", sampleData + "cow.osg", 0, true);
    EXPECT_EQ(1u, controller->getNumModels()) << "the whole file still loads";
}

namespace {

osg::ref_ptr<osg::Geode> triangle(osg::PrimitiveSet* primitives, osg::Array* normals = nullptr)
{
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    vertices->push_back(osg::Vec3(0, 0, 0));
    vertices->push_back(osg::Vec3(1, 0, 0));
    vertices->push_back(osg::Vec3(0, 0, 1));
    osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
    geometry->setVertexArray(vertices);
    if (normals)
        geometry->setNormalArray(normals, osg::Array::BIND_PER_VERTEX);
    geometry->addPrimitiveSet(primitives);
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(geometry);
    return geode;
}

} // namespace

// Files written by a faulty exporter: indices past the vertices, too short a draw range, too few
// normals. Each is refused; the sound triangle is taken.
TEST(ModelFileDamaged, GeometryThatIndexesPastItsVerticesIsRefused)
{
    ScratchTree tree;
    osg::ref_ptr<osg::DrawElementsUShort> pastTheEnd = new osg::DrawElementsUShort(GL_TRIANGLES);
    for (unsigned short i : {0, 1, 3})
        pastTheEnd->push_back(i);
    osg::ref_ptr<osg::Vec3Array> twoNormals = new osg::Vec3Array(2);
    ASSERT_TRUE(tree.writeNode("Content/elements.ive", *triangle(pastTheEnd)));
    ASSERT_TRUE(tree.writeNode("Content/arrays.ive", *triangle(new osg::DrawArrays(GL_TRIANGLES, 1, 3))));
    ASSERT_TRUE(tree.writeNode("Content/normals.ive", *triangle(new osg::DrawArrays(GL_TRIANGLES, 0, 3), twoNormals)));
    ASSERT_TRUE(tree.writeNode("Content/sound.ive", *triangle(new osg::DrawArrays(GL_TRIANGLES, 0, 3))));

    osg::ref_ptr<osg::Group> scene = new osg::Group;
    osg::ref_ptr<SceneController> controller = new SceneController(scene);
    NotifyCapture notes;
    for (const char* name : {"elements", "arrays", "normals", "sound"})
        controller->addModel(name, std::string("../Content/") + name + ".ive", 0, true);
    EXPECT_TRUE(notes.has(osg::WARN, "Model ../Content/elements.ive is damaged: a geometry draws 4 vertices but holds 3"))
        << notes.dump();
    EXPECT_TRUE(notes.has(osg::WARN, "Model ../Content/arrays.ive is damaged: a geometry draws 4 vertices but holds 3"));
    EXPECT_TRUE(notes.has(osg::WARN, "Model ../Content/normals.ive is damaged: a geometry of 3 vertices has too few "
                                     "normal values"));
    for (const char* name : {"elements", "arrays", "normals"})
        EXPECT_TRUE(notes.has(osg::WARN, std::string("Unable to load model ../Content/") + name + ".ive"));
    ASSERT_EQ(1u, controller->getNumModels());
    EXPECT_EQ("sound", controller->getModelRecord(0).name);
}

namespace {

// A reader for .dxf files that fails as a real plug-in can on a file that lies about its sizes:
// by throwing. Put first in the registry's list, so that it is asked before the real one.
class ThrowingReader : public osgDB::ReaderWriter
{
public:
    explicit ThrowingReader(bool outOfMemory) : outOfMemory(outOfMemory) { supportsExtension("dxf", "throws"); }
    const char* className() const override { return "ThrowingReader"; }
    ReadResult readNode(const std::string& file, const osgDB::Options*) const override
    {
        if (!acceptsExtension(osgDB::getLowerCaseFileExtension(file)))
            return ReadResult::FILE_NOT_HANDLED;
        if (outOfMemory)
            throw std::bad_alloc();
        throw std::runtime_error("block of 2139062143 bytes is past the end of the file");
    }

private:
    const bool outOfMemory;
};

class ModelReaderThrows : public ::testing::TestWithParam<bool>
{
protected:
    void SetUp() override
    {
        reader = new ThrowingReader(GetParam());
        osgDB::Registry::ReaderWriterList& readers = osgDB::Registry::instance()->getReaderWriterList();
        readers.insert(readers.begin(), reader);
    }
    void TearDown() override { osgDB::Registry::instance()->removeReaderWriter(reader.get()); }

    osg::ref_ptr<ThrowingReader> reader;
};

} // namespace

// The exception would otherwise leave the event traversal and end the viewer.
TEST_P(ModelReaderThrows, TheModelIsRefusedWithItsMessageAndTheNextOneLoads)
{
    ScratchTree tree;
    tree.write("Content/lying.dxf", std::string(3000, '\x7f'));
    osg::ref_ptr<osg::Group> scene = new osg::Group;
    osg::ref_ptr<SceneController> controller = new SceneController(scene);

    NotifyCapture notes;
    // A path outside the program root is stored as given.
    const std::string path = "../Content/lying.dxf";
    controller->addModel("Lying", path, 1, true);
    if (GetParam()) {
        EXPECT_TRUE(notes.has(osg::WARN, "Not enough memory to read " + path)) << notes.dump();
    } else {
        EXPECT_TRUE(notes.has(osg::WARN, "Reading " + path +
                                             " failed: block of 2139062143 bytes is past the end of the file"))
            << notes.dump();
    }
    EXPECT_TRUE(notes.has(osg::WARN, "Unable to load model " + path)) << notes.dump();
    EXPECT_EQ(0u, controller->getNumModels());
    EXPECT_EQ(0u, controller->getNumLayers());

    controller->addModel("Cow", sampleData + "cow.osg", 0, true);
    EXPECT_EQ(1u, controller->getNumModels());
}

INSTANTIATE_TEST_SUITE_P(AddModel, ModelReaderThrows, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "OutOfMemory" : "ReaderError");
                         });
