// The zip archive plug-in as the viewer uses it: found by the registry in the staged plug-in folder
// and reached through osgDB::readNodeFile.

#include "TestArchive.h"

#include "NotifyCapture.h"
#include "RuntimeTree.h"

#include <osg/Geode>
#include <osg/NodeVisitor>
#include <osg/Notify>
#include <osg/Texture>
#include <osgDB/AuthenticationMap>
#include <osgDB/ReadFile>
#include <osgDB/Registry>

#include <gtest/gtest.h>

#include <cstdlib>
#include <malloc.h>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using kelvotest::NotifyCapture;
using kelvotest::RuntimeTree;
using kelvotest::TestArchive;

namespace {

const std::string sampleData = std::string(KELVO_TESTDATA_DIR) + "/osg-sample-data/";
const std::string password = "harbor42";

// Every image the textures of a model hold.
class ImageCollector : public osg::NodeVisitor
{
public:
    ImageCollector() : osg::NodeVisitor(TRAVERSE_ALL_CHILDREN) {}
    void apply(osg::Node& node) override
    {
        collect(node.getStateSet());
        traverse(node);
    }
    void apply(osg::Drawable& drawable) override { collect(drawable.getStateSet()); }

    std::vector<osg::ref_ptr<osg::Image>> images;

private:
    void collect(osg::StateSet* stateSet)
    {
        if (!stateSet)
            return;
        for (unsigned unit = 0; unit < stateSet->getTextureAttributeList().size(); ++unit)
            if (auto* texture = dynamic_cast<osg::Texture*>(
                    stateSet->getTextureAttribute(unit, osg::StateAttribute::TEXTURE)))
                for (unsigned i = 0; i < texture->getNumImages(); ++i)
                    if (texture->getImage(i))
                        images.push_back(texture->getImage(i));
    }
};

std::vector<osg::ref_ptr<osg::Image>> imagesOf(osg::Node& node)
{
    ImageCollector collector;
    node.accept(collector);
    return collector.images;
}

class ZipLoaderTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        // The viewer puts its Bin directory first on the library path; so does the test.
        osgDB::Registry::instance()->getLibraryFilePathList().push_front(std::string(KELVO_DIST_DIR) + "/Bin");
    }

    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "kelvo-zip-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(&pattern[0]), nullptr);
        directory = pattern;
        registerPassword(password);
        // Files are read fresh: an archive read once must not answer from the cache.
        osgDB::Registry::instance()->clearObjectCache();
    }

    void TearDown() override
    {
        osgDB::Registry::instance()->setAuthenticationMap(nullptr);
        fs::remove_all(directory);
    }

    static void registerPassword(const std::string& value)
    {
        osg::ref_ptr<osgDB::AuthenticationMap> map = new osgDB::AuthenticationMap;
        map->addAuthenticationDetails("ZipPlugin", new osgDB::AuthenticationDetails("", value));
        osgDB::Registry::instance()->setAuthenticationMap(map);
    }

    static osg::ref_ptr<osgDB::Options> optionsWith(const std::string& key, const std::string& value)
    {
        osg::ref_ptr<osgDB::AuthenticationMap> map = new osgDB::AuthenticationMap;
        map->addAuthenticationDetails(key, new osgDB::AuthenticationDetails("", value));
        osg::ref_ptr<osgDB::Options> options = new osgDB::Options;
        options->setAuthenticationMap(map);
        return options;
    }

    std::string path(const std::string& name) const { return (fs::path(directory) / name).string(); }

    TestArchive cowArchive(TestArchive::Encryption encryption = TestArchive::None,
                           const std::string& key = password) const
    {
        TestArchive archive;
        archive.addFile("cow.osg", sampleData + "cow.osg", encryption, key)
            .addDirectory("Images/")
            .addFile("Images/reflect.rgb", sampleData + "Images/reflect.rgb", encryption, key);
        return archive;
    }

    // Reads like the viewer and returns the node; warnings is what the read wrote at WARN.
    osg::ref_ptr<osg::Node> read(const std::string& file, std::vector<std::string>* warnings = nullptr,
                                 const osgDB::Options* options = nullptr)
    {
        NotifyCapture notices;
        osg::ref_ptr<osg::Node> node = osgDB::readNodeFile(file, options);
        if (warnings)
            for (const auto& line : notices.lines())
                if (line.first <= osg::WARN && !line.second.empty())
                    warnings->push_back(line.second);
        return node;
    }

    // A failed read: nothing comes back and exactly one warning names the archive and the reason.
    // (Empty lines are the notification stream flushing, not output.)
    void expectRefused(const std::string& file, const std::string& reason)
    {
        std::vector<std::string> warnings;
        EXPECT_FALSE(read(file, &warnings).valid());
        std::string all;
        for (const std::string& warning : warnings)
            all += warning + "\n";
        ASSERT_EQ(warnings.size(), 1u) << all;
        EXPECT_EQ(warnings[0], "Error reading file " + file + ": read error (" + reason + ")");
    }

    // Debian's zip, run in a subdirectory of the test's directory.
    int runZipTool(const std::string& arguments, const std::string& in = ".") const
    {
        const std::string command =
            "cd '" + path(in) + "' && " + ZIP_TOOL + " -q " + arguments + " >/dev/null 2>&1";
        return std::system(command.c_str());
    }

    void stageCowFiles() const
    {
        fs::create_directories(path("files/Images"));
        fs::copy_file(sampleData + "cow.osg", path("files/cow.osg"));
        fs::copy_file(sampleData + "Images/reflect.rgb", path("files/Images/reflect.rgb"));
    }

    std::string directory;
};

} // namespace

TEST_F(ZipLoaderTest, APlainArchiveGivesItsModelWithTheTextureInside)
{
    ASSERT_TRUE(cowArchive().write(path("cow.zip")));
    osg::ref_ptr<osg::Node> direct = osgDB::readNodeFile(sampleData + "cow.osg");
    ASSERT_TRUE(direct.valid());

    std::vector<std::string> warnings;
    osg::ref_ptr<osg::Node> node = read(path("cow.zip"), &warnings);
    ASSERT_TRUE(node.valid());
    EXPECT_TRUE(warnings.empty()) << warnings[0];
    EXPECT_FLOAT_EQ(node->getBound().radius(), direct->getBound().radius());
    // No Images directory lies beside the archive: the texture came from inside it.
    ASSERT_FALSE(fs::exists(path("Images")));
    const auto images = imagesOf(*node);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0]->s(), 128);
    EXPECT_EQ(images[0]->t(), 128);
    EXPECT_NE(images[0]->data(), nullptr);
}

TEST_F(ZipLoaderTest, ArchivesMadeWithTheZipToolRead)
{
    stageCowFiles();
    ASSERT_EQ(runZipTool("-r plain.zip files"), 0);
    // The only model sits in a directory: the first model in archive order is the master, and its
    // texture is found beside it inside the archive.
    osg::ref_ptr<osg::Node> node = read(path("plain.zip"));
    ASSERT_TRUE(node.valid());
    EXPECT_EQ(imagesOf(*node).size(), 1u);
}

TEST_F(ZipLoaderTest, FilesMissingFromTheArchiveComeFromItsDirectoryOnDisk)
{
    TestArchive archive;
    archive.addFile("cow.osg", sampleData + "cow.osg");
    ASSERT_TRUE(archive.write(path("bare.zip")));

    osg::ref_ptr<osg::Node> withoutTexture = read(path("bare.zip"));
    ASSERT_TRUE(withoutTexture.valid());
    EXPECT_TRUE(imagesOf(*withoutTexture).empty());

    fs::create_directories(path("Images"));
    fs::copy_file(sampleData + "Images/reflect.rgb", path("Images/reflect.rgb"));
    osgDB::Registry::instance()->clearObjectCache();
    osg::ref_ptr<osg::Node> withTexture = read(path("bare.zip"));
    ASSERT_TRUE(withTexture.valid());
    EXPECT_EQ(imagesOf(*withTexture).size(), 1u);
}

TEST_F(ZipLoaderTest, ATraditionallyEncryptedArchiveReadsWithTheRegisteredPassword)
{
    stageCowFiles();
    ASSERT_EQ(runZipTool("-P " + password + " ../secret.zip cow.osg Images/reflect.rgb", "files"), 0);

    osg::ref_ptr<osg::Node> node = read(path("secret.zip"));
    ASSERT_TRUE(node.valid());
    EXPECT_EQ(imagesOf(*node).size(), 1u);
}

TEST_F(ZipLoaderTest, AnAesEncryptedArchiveReadsWithTheRegisteredPassword)
{
    ASSERT_TRUE(cowArchive(TestArchive::Aes256).write(path("aes.zip")));
    osg::ref_ptr<osg::Node> node = read(path("aes.zip"));
    ASSERT_TRUE(node.valid());
    EXPECT_EQ(imagesOf(*node).size(), 1u);
}

TEST_F(ZipLoaderTest, TheReadingOptionsPasswordComesBeforeTheRegistrys)
{
    ASSERT_TRUE(cowArchive(TestArchive::Aes256, "options-key").write(path("aes.zip")));
    registerPassword("registry-key");

    EXPECT_TRUE(read(path("aes.zip"), nullptr, optionsWith("ZipPlugin", "options-key")).valid());

    // A map in the options without the entry leaves the registry's password in force.
    osg::ref_ptr<osgDB::Options> unrelated = optionsWith("http://tiles", "p");
    EXPECT_FALSE(read(path("aes.zip"), nullptr, unrelated).valid());
    registerPassword("options-key");
    EXPECT_TRUE(read(path("aes.zip"), nullptr, unrelated).valid());
}

TEST_F(ZipLoaderTest, AMissingPasswordReadsNothing)
{
    ASSERT_TRUE(cowArchive(TestArchive::Traditional).write(path("secret.zip")));
    osgDB::Registry::instance()->setAuthenticationMap(nullptr);
    expectRefused(path("secret.zip"), "entry cow.osg is encrypted and no password is registered under \"ZipPlugin\"");
}

TEST_F(ZipLoaderTest, AWrongPasswordReadsNothing)
{
    ASSERT_TRUE(cowArchive(TestArchive::Traditional).write(path("traditional.zip")));
    ASSERT_TRUE(cowArchive(TestArchive::Aes256).write(path("aes.zip")));
    registerPassword("harbour42");
    expectRefused(path("traditional.zip"), "wrong password for the encrypted entry cow.osg");
    expectRefused(path("aes.zip"), "wrong password for the encrypted entry cow.osg");
}

TEST_F(ZipLoaderTest, AnEncryptedTextureThatCannotBeReadRefusesTheWholeArchive)
{
    TestArchive archive;
    archive.addFile("cow.osg", sampleData + "cow.osg")
        .addFile("Images/reflect.rgb", sampleData + "Images/reflect.rgb", TestArchive::Aes256, "other");
    ASSERT_TRUE(archive.write(path("mixed.zip")));
    expectRefused(path("mixed.zip"), "wrong password for the encrypted entry Images/reflect.rgb");
}

TEST_F(ZipLoaderTest, ATruncatedArchiveReadsNothing)
{
    ASSERT_TRUE(cowArchive().write(path("whole.zip")));
    const std::string bytes = RuntimeTree::readFile(path("whole.zip"));
    RuntimeTree::writeFile(path("half.zip"), bytes.substr(0, bytes.size() / 2));
    RuntimeTree::writeFile(path("short.zip"), bytes.substr(0, bytes.size() - 7));
    expectRefused(path("half.zip"), "not a zip archive, or a truncated one");
    expectRefused(path("short.zip"), "not a zip archive, or a truncated one");
}

TEST_F(ZipLoaderTest, ADamagedEntryReadsNothing)
{
    ASSERT_TRUE(cowArchive().write(path("whole.zip")));
    std::string bytes = RuntimeTree::readFile(path("whole.zip"));
    // The first entry's data starts after its 30-byte header and name; spoil a stretch of it.
    for (std::size_t i = 200; i < 260; ++i)
        bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
    RuntimeTree::writeFile(path("damaged.zip"), bytes);
    std::vector<std::string> warnings;
    EXPECT_FALSE(read(path("damaged.zip"), &warnings).valid());
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].rfind("Error reading file " + path("damaged.zip") + ": read error (entry cow.osg is damaged (", 0), 0u)
        << warnings[0];
}

TEST_F(ZipLoaderTest, AnArchiveWithoutAModelReadsNothing)
{
    TestArchive archive;
    archive.addDirectory("Images/")
        .addFile("Images/reflect.rgb", sampleData + "Images/reflect.rgb")
        .add("readme.txt", "Textures for the harbour model.\n")
        .add("__MACOSX/._cow.osg", "resource fork");
    ASSERT_TRUE(archive.write(path("textures.zip")));
    expectRefused(path("textures.zip"), "it holds no model file");

    RuntimeTree::writeFile(path("notzip.zip"), "plain text, not an archive\n");
    expectRefused(path("notzip.zip"), "not a zip archive, or a truncated one");
}

TEST_F(ZipLoaderTest, AnEntryEncryptedWithAnUnknownMethodIsRefusedWithoutLosingMemory)
{
    TestArchive archive;
    archive.add("model.osg", "Geode {\n}\n");
    ASSERT_TRUE(archive.write(path("plain.zip")));
    std::string bytes = RuntimeTree::readFile(path("plain.zip"));
    // Flags of the local header (offset 6) and of the central directory entry (offset 8):
    // encrypted, with strong encryption, a method libzip cannot decrypt.
    const std::size_t local = bytes.find("PK\x03\x04");
    const std::size_t central = bytes.find("PK\x01\x02");
    ASSERT_NE(local, std::string::npos);
    ASSERT_NE(central, std::string::npos);
    bytes[local + 6] = static_cast<char>(bytes[local + 6] | 0x41);
    bytes[central + 8] = static_cast<char>(bytes[central + 8] | 0x41);
    RuntimeTree::writeFile(path("strong.zip"), bytes);
    expectRefused(path("strong.zip"), "entry model.osg is encrypted with a method that is not supported");

    // Opening such an entry loses some 600 bytes inside libzip; refusing it must cost nothing.
    const osg::NotifySeverity level = osg::getNotifyLevel();
    osg::setNotifyLevel(osg::FATAL);
    const long long before = static_cast<long long>(mallinfo2().uordblks);
    for (int i = 0; i < 300; ++i)
        EXPECT_FALSE(osgDB::readRefNodeFile(path("strong.zip")).valid());
    const long long grown = static_cast<long long>(mallinfo2().uordblks) - before;
    osg::setNotifyLevel(level);
    EXPECT_LT(grown, 300 * 64) << "bytes held after refusing the archive 300 times";
}

TEST_F(ZipLoaderTest, AModelWhoseReaderReadsOnlyNamedFilesStillReads)
{
    // The DXF reader cannot read from a stream; the entry is read from a temporary copy.
    const std::string face = "0\nSECTION\n2\nENTITIES\n0\n3DFACE\n8\n0\n"
                             "10\n0.0\n20\n0.0\n30\n0.0\n11\n10.0\n21\n0.0\n31\n0.0\n"
                             "12\n10.0\n22\n10.0\n32\n0.0\n13\n0.0\n23\n10.0\n33\n0.0\n0\nENDSEC\n0\nEOF\n";
    TestArchive archive;
    archive.add("terrain.dxf", face);
    ASSERT_TRUE(archive.write(path("terrain.zip")));
    osg::ref_ptr<osg::Node> node = read(path("terrain.zip"));
    ASSERT_TRUE(node.valid());
    EXPECT_NEAR(node->getBound().radius(), 5.0f * std::sqrt(2.0f), 0.01f);
}

TEST_F(ZipLoaderTest, ATemporaryCopyNeverLeavesItsDirectory)
{
    // A named-file reader makes the loader copy the entry; the archive's names must not say where.
    const std::string face = "0\nSECTION\n2\nENTITIES\n0\n3DFACE\n8\n0\n"
                             "10\n0.0\n20\n0.0\n30\n0.0\n11\n10.0\n21\n0.0\n31\n0.0\n"
                             "12\n10.0\n22\n10.0\n32\n0.0\n13\n0.0\n23\n10.0\n33\n0.0\n0\nENDSEC\n0\nEOF\n";
    const fs::path temporary = fs::temp_directory_path();
    const std::string unique = fs::path(directory).filename().string();
    const fs::path climbed = temporary / (unique + "-climbed.dxf");
    const fs::path absolute = temporary / (unique + "-absolute.dxf");

    TestArchive upwards;
    upwards.add("../" + climbed.filename().string(), face);
    ASSERT_TRUE(upwards.write(path("upwards.zip")));
    const std::string entry = "../" + climbed.filename().string();
    expectRefused(path("upwards.zip"), "its model " + entry + " cannot be read (cannot write a temporary copy of entry " +
                                           entry + ")");
    EXPECT_FALSE(fs::exists(climbed)) << "the entry was written beside the temporary directory";
    fs::remove(climbed);

    // An absolute name is taken as a path inside the archive.
    TestArchive rooted;
    rooted.add(absolute.string(), face);
    ASSERT_TRUE(rooted.write(path("rooted.zip")));
    osg::ref_ptr<osg::Node> node = read(path("rooted.zip"));
    EXPECT_TRUE(node.valid());
    EXPECT_FALSE(fs::exists(absolute)) << "the entry was written to its absolute name";
    fs::remove(absolute);
}

TEST_F(ZipLoaderTest, AMissingArchiveReadsNothing)
{
    EXPECT_FALSE(read(path("absent.zip")).valid());
}

TEST_F(ZipLoaderTest, AModelThatDoesNotParseReadsNothing)
{
    TestArchive archive;
    archive.add("broken.ive", "this is no ive file").addFile("Images/reflect.rgb", sampleData + "Images/reflect.rgb");
    ASSERT_TRUE(archive.write(path("broken.zip")));
    std::vector<std::string> warnings;
    EXPECT_FALSE(read(path("broken.zip"), &warnings).valid());
    ASSERT_FALSE(warnings.empty());
    EXPECT_EQ(warnings.back().rfind("Error reading file " + path("broken.zip") +
                                    ": read error (its model broken.ive cannot be read", 0), 0u)
        << warnings.back();
}
