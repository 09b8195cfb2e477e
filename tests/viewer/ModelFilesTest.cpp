// Model files that cannot be models, a reader that throws, and the zip archive plug-in as the
// viewer reaches it, through osgDB::readNodeFile.

#include "BadBytes.h"

#include "ArchiveReadCallback.h"
#include "MasterModelChooser.h"
#include "runtime/PluginSearchPath.h"
#include "scene/SceneController.h"

#include "NotifyCapture.h"
#include "RuntimeTree.h"
#include "ScratchTree.h"
#include "TestArchive.h"

#include <gtest/gtest.h>
#include <osg/Geometry>
#include <osg/NodeVisitor>
#include <osg/Texture>
#include <osgDB/AuthenticationMap>
#include <osgDB/FileNameUtils>
#include <osgDB/ReadFile>
#include <osgDB/Registry>

#include <cstdlib>
#include <filesystem>
#include <malloc.h>
#include <new>
#include <stdexcept>
#include <string>

namespace fs = std::filesystem;
using kelvotest::RuntimeTree;
using kelvotest::TestArchive;
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
            TestArchive().addFile("cow.osg", cow).write(tree.path(relative));
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

namespace {

const std::string password = "harbor42";
// A DXF face: the DXF reader reads only named files, so the loader reads a temporary copy.
const std::string dxfFace = "0\nSECTION\n2\nENTITIES\n0\n3DFACE\n8\n0\n"
                            "10\n0.0\n20\n0.0\n30\n0.0\n11\n10.0\n21\n0.0\n31\n0.0\n"
                            "12\n10.0\n22\n10.0\n32\n0.0\n13\n0.0\n23\n10.0\n33\n0.0\n0\nENDSEC\n0\nEOF\n";

// The number of images the textures of a model hold.
unsigned imagesOf(osg::Node& node)
{
    struct Counter : osg::NodeVisitor
    {
        Counter() : osg::NodeVisitor(TRAVERSE_ALL_CHILDREN) {}
        void apply(osg::Node& node) override
        {
            count(node.getStateSet());
            traverse(node);
        }
        void apply(osg::Drawable& drawable) override { count(drawable.getStateSet()); }
        void count(osg::StateSet* stateSet)
        {
            const osg::Texture* texture = dynamic_cast<const osg::Texture*>(
                stateSet ? stateSet->getTextureAttribute(0, osg::StateAttribute::TEXTURE) : nullptr);
            images += texture && texture->getImage(0) && texture->getImage(0)->data() ? 1 : 0;
        }
        unsigned images = 0;
    } counter;
    node.accept(counter);
    return counter.images;
}

void registerPassword(const std::string& value)
{
    osg::ref_ptr<osgDB::AuthenticationMap> map = new osgDB::AuthenticationMap;
    map->addAuthenticationDetails("ZipPlugin", new osgDB::AuthenticationDetails("", value));
    osgDB::Registry::instance()->setAuthenticationMap(map);
}

TestArchive cowArchive(TestArchive::Encryption encryption = TestArchive::None)
{
    TestArchive archive;
    archive.addFile("cow.osg", sampleData + "cow.osg", encryption, password)
        .addDirectory("Images/")
        .addFile("Images/reflect.rgb", sampleData + "Images/reflect.rgb", encryption, password);
    return archive;
}

class ZipLoaderTest : public ::testing::Test
{
public:
    static void SetUpTestSuite()
    {
        // The viewer puts its Bin directory first on the library path; so does the test.
        osgDB::Registry::instance()->getLibraryFilePathList().push_front(std::string(KELVO_DIST_DIR) + "/Bin");
    }
    void SetUp() override
    {
        registerPassword(password);
        // An archive read once must not answer from the cache.
        osgDB::Registry::instance()->clearObjectCache();
    }
    void TearDown() override { osgDB::Registry::instance()->setAuthenticationMap(nullptr); }

    std::string path(const std::string& name) const { return tree.root() + "/Content/" + name; }

    // Reads like the viewer; the lines the read wrote at WARN or above go to warnings.
    static osg::ref_ptr<osg::Node> read(const std::string& file, std::vector<std::string>* warnings = nullptr)
    {
        kelvotest::NotifyCapture notices;
        osg::ref_ptr<osg::Node> node = osgDB::readNodeFile(file);
        for (const auto& line : notices.lines())
            if (warnings && line.first <= osg::WARN && !line.second.empty())
                warnings->push_back(line.second);
        return node;
    }

    RuntimeTree tree{false};
};

// A refused archive gives nothing and one error that names it and the reason; a reason that
// ends in ')' is the whole of it, any other is its start.
::testing::AssertionResult refused(const std::string& file, const std::string& reason)
{
    std::vector<std::string> warnings;
    if (ZipLoaderTest::read(file, &warnings))
        return ::testing::AssertionFailure() << file << " was read";
    const std::string expected = "Error reading file " + file + ": read error (" + reason;
    std::vector<std::string> errors;
    for (const std::string& warning : warnings)
        if (warning.rfind("Error reading file " + file + ":", 0) == 0)
            errors.push_back(warning);
    const std::size_t compared = reason.back() == ')' ? std::string::npos : expected.size();
    if (errors.size() != 1 || errors[0].substr(0, compared) != expected)
        return ::testing::AssertionFailure() << "expected " << expected << "\ngot " << ::testing::PrintToString(errors);
    return ::testing::AssertionSuccess();
}

} // namespace

// No Images directory lies beside the archives: a texture found came from inside.
TEST_F(ZipLoaderTest, ArchivesGiveTheirModelWithTheTexturesInside)
{
    ASSERT_TRUE(cowArchive().write(path("plain.zip")));
    ASSERT_TRUE(cowArchive(TestArchive::Aes256).write(path("aes.zip")));
    ASSERT_TRUE(TestArchive().addFile("cow.osg", sampleData + "cow.osg").write(path("bare.zip")));
    ASSERT_TRUE(TestArchive().add("terrain.dxf", dxfFace).write(path("terrain.zip")));
    fs::create_directories(path("files/Images"));
    fs::copy_file(sampleData + "cow.osg", path("files/cow.osg"));
    fs::copy_file(sampleData + "Images/reflect.rgb", path("files/Images/reflect.rgb"));
    // In tool.zip, made by Debian's zip, the only model sits in a directory, its texture beside
    // it.
    const std::string zip = "cd '" + path("") + "' && " + ZIP_TOOL + " -q -r tool.zip files";
    ASSERT_EQ(0, std::system(zip.c_str()));
    const std::pair<const char*, unsigned> archives[] = {
        {"plain.zip", 1}, {"aes.zip", 1}, {"bare.zip", 0}, {"terrain.zip", 0}, {"tool.zip", 1}};
    for (const auto& archive : archives) {
        SCOPED_TRACE(archive.first);
        std::vector<std::string> warnings;
        osg::ref_ptr<osg::Node> node = read(path(archive.first), &warnings);
        ASSERT_TRUE(node.valid());
        if (archive.second) {
            EXPECT_EQ(std::vector<std::string>(), warnings);
        }
        EXPECT_GT(node->getBound().radius(), 1.0f);
        EXPECT_EQ(archive.second, imagesOf(*node));
    }
    // What the archive lacks comes from its directory on disk.
    fs::copy(path("files/Images"), path("Images"), fs::copy_options::recursive);
    osgDB::Registry::instance()->clearObjectCache();
    osg::ref_ptr<osg::Node> bare = read(path("bare.zip"));
    ASSERT_TRUE(bare.valid());
    EXPECT_EQ(1u, imagesOf(*bare));
}

TEST_F(ZipLoaderTest, RefusedArchivesReadNothingAndSayWhy)
{
    ASSERT_TRUE(cowArchive(TestArchive::Aes256).write(path("aes.zip")));
    ASSERT_TRUE(TestArchive()
                    .addFile("cow.osg", sampleData + "cow.osg")
                    .addFile("Images/reflect.rgb", sampleData + "Images/reflect.rgb", TestArchive::Aes256, "other")
                    .write(path("mixed.zip")));
    // An archive whose entry claims strong encryption, which libzip cannot decrypt: the flags of
    // the local header (offset 6) and of the central directory entry (offset 8).
    ASSERT_TRUE(TestArchive().add("model.osg", "Geode {\n}\n").write(path("strong.zip")));
    std::string strong = RuntimeTree::readFile(path("strong.zip"));
    strong[strong.find("PK\x03\x04") + 6] |= 0x41;
    strong[strong.find("PK\x01\x02") + 8] |= 0x41;
    RuntimeTree::writeFile(path("strong.zip"), strong);
    ASSERT_TRUE(cowArchive().write(path("whole.zip")));
    const std::string whole = RuntimeTree::readFile(path("whole.zip"));
    RuntimeTree::writeFile(path("half.zip"), whole.substr(0, whole.size() / 2));
    RuntimeTree::writeFile(path("short.zip"), whole.substr(0, whole.size() - 7));
    RuntimeTree::writeFile(path("text.zip"), "plain text, not an archive\n");
    // The first entry's data starts after its 30-byte header and name; spoil a stretch of it.
    std::string damaged = whole;
    for (std::size_t i = 200; i < 260; ++i)
        damaged[i] = static_cast<char>(damaged[i] ^ 0x5A);
    RuntimeTree::writeFile(path("damaged.zip"), damaged);
    ASSERT_TRUE(TestArchive()
                    .addDirectory("Images/")
                    .addFile("Images/reflect.rgb", sampleData + "Images/reflect.rgb")
                    .add("readme.txt", "Textures for the harbour model.\n")
                    .add("__MACOSX/._cow.osg", "resource fork")
                    .write(path("textures.zip")));
    ASSERT_TRUE(TestArchive().add("broken.ive", "this is no ive file").write(path("broken.zip")));

    registerPassword("harbour42");
    const std::pair<const char*, std::string> archives[] = {
        {"aes.zip", "wrong password for the encrypted entry cow.osg)"},
        {"mixed.zip", "wrong password for the encrypted entry Images/reflect.rgb)"},
        {"strong.zip", "entry model.osg is encrypted with a method that is not supported)"},
        {"half.zip", "not a zip archive, or a truncated one)"},
        {"short.zip", "not a zip archive, or a truncated one)"},
        {"text.zip", "not a zip archive, or a truncated one)"},
        {"damaged.zip", "entry cow.osg is damaged ("},
        {"textures.zip", "it holds no model file)"},
        {"broken.zip", "its model broken.ive cannot be read"}};
    for (const auto& archive : archives)
        EXPECT_TRUE(refused(path(archive.first), archive.second));

    // Opening an entry of unknown encryption loses some 600 bytes inside libzip; refusing it must
    // cost nothing.
    const osg::NotifySeverity level = osg::getNotifyLevel();
    osg::setNotifyLevel(osg::FATAL);
    const long long before = static_cast<long long>(mallinfo2().uordblks);
    for (int i = 0; i < 300; ++i)
        EXPECT_FALSE(osgDB::readRefNodeFile(path("strong.zip")).valid());
    const long long grown = static_cast<long long>(mallinfo2().uordblks) - before;
    osg::setNotifyLevel(level);
    EXPECT_LT(grown, 300 * 64) << "bytes held after refusing the archive 300 times";
}

// The loader copies an entry for a named-file reader; the entry's name must not say where.
TEST_F(ZipLoaderTest, ATemporaryCopyNeverLeavesItsDirectory)
{
    const std::string unique = fs::path(tree.root()).filename().string();
    const fs::path climbed = fs::temp_directory_path() / (unique + "-climbed.dxf");
    const fs::path absolute = fs::temp_directory_path() / (unique + "-absolute.dxf");
    const std::string entry = "../" + climbed.filename().string();
    ASSERT_TRUE(TestArchive().add(entry, dxfFace).write(path("upwards.zip")));
    EXPECT_TRUE(refused(path("upwards.zip"),
                        "its model " + entry + " cannot be read (cannot write a temporary copy of entry " + entry +
                            "))"));
    EXPECT_FALSE(fs::exists(climbed)) << "the entry was written beside the temporary directory";
    fs::remove(climbed);

    // An absolute name is taken as a path inside the archive.
    ASSERT_TRUE(TestArchive().add(absolute.string(), dxfFace).write(path("rooted.zip")));
    EXPECT_TRUE(read(path("rooted.zip")).valid());
    EXPECT_FALSE(fs::exists(absolute)) << "the entry was written to its absolute name";
    fs::remove(absolute);
}

// The master model: the only model at the top level, else the first model in archive order;
// directories and Mac resource forks are none.
TEST(MasterModelChooser, ChoosesTheModelToShow)
{
    const auto byExtension = [](const std::string& name) {
        const std::string::size_type dot = name.rfind('.');
        const std::string extension = dot == std::string::npos ? "" : name.substr(dot + 1);
        return extension == "osg" || extension == "ive" || extension == "3ds";
    };
    const std::pair<std::vector<std::string>, int> cases[] = {
        {{"Images/", "Images/a.rgb", "parts/bridge.ive", "harbour.osg", "parts/crane.3ds"}, 3},
        {{"parts/first.ive", "b.ive", "a.osg"}, 0},
        {{"Images/a.rgb", "model/Images/", "model/terrain.ive", "model/extra.osg"}, 2},
        {{"terrain.osg/", "__MACOSX/._terrain.ive", "._terrain.ive", "terrain.ive"}, 3},
        {{"Images/", "readme.txt", "osg", "model.osg.txt"}, -1},
        {{}, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, osgKELVO::MasterModelChooser::choose(c.first, byExtension))
            << ::testing::PrintToString(c.first);
    EXPECT_TRUE(osgKELVO::MasterModelChooser::isCandidate("dir/._not/x.osg"));
}

TEST(ArchiveEntryNames, NormalizeResolvesDotsAndSeparatorsAndRefusesClimbingOut)
{
    using osgKELVO::ArchiveReadCallback;
    EXPECT_EQ("Images/a.rgb", ArchiveReadCallback::normalize("./Images//a.rgb"));
    EXPECT_EQ("Images/a.rgb", ArchiveReadCallback::normalize("model/../Images/a.rgb"));
    EXPECT_EQ("model/Images/a.rgb", ArchiveReadCallback::normalize("model\\Images\\a.rgb"));
    EXPECT_EQ("", ArchiveReadCallback::normalize("../a.rgb"));
    EXPECT_EQ("", ArchiveReadCallback::normalize("a/../../a.rgb"));
}
