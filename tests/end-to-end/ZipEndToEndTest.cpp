// The viewer with zip archives: configured ones read at start-up, before the archive password is
// registered at the first frame, and dropped ones read afterwards.

#include "TestArchive.h"
#include "DesktopTestSupport.h"
#include "XdndTestSource.h"

#include "RuntimeTree.h"
#include "Screenshot.h"
#include "ViewerProcess.h"
#include "XvfbServer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;
using kelvotest::RuntimeTree;
using kelvotest::Screenshot;
using kelvotest::TestArchive;
using kelvotest::ViewerProcess;
using kelvotest::XdndTestSource;
using kelvotest::XvfbServer;

namespace {

const std::string sampleData = std::string(KELVO_TESTDATA_DIR) + "/osg-sample-data/";

std::string configuration(const std::string& models)
{
    return "<Overlay useGeoCoords=\"0\" offsetX=\"0\" offsetY=\"0\" offsetZ=\"0\"/>\n"
           "<Scene loadInfoPoints=\"0\" generatePowerline=\"0\">\n" + models + "</Scene>\n"
           "<Environment backgroundColorRed=\"0.8\" backgroundColorGreen=\"0.8\" backgroundColorBlue=\"1\" "
           "enableWater=\"0\" seaState=\"3\" windDirection=\"250\"/>\n"
           "<Navigation homeEyeX=\"0\" homeEyeY=\"-22\" homeEyeZ=\"3\" homeCenterX=\"0\" homeCenterY=\"0\" "
           "homeCenterZ=\"0\"/>\n"
           "<Window title=\"KELVOview archives\" x=\"0\" y=\"0\" width=\"640\" height=\"480\" maximized=\"0\" "
           "fullscreen=\"0\" screenNum=\"0\" numSamples=\"0\" stereo=\"0\"/>\n";
}

class ZipEndToEndTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        server.reset(new XvfbServer(1024, 768));
        ASSERT_TRUE(server->running());
        tree.reset(new RuntimeTree(false));
        content = tree->root() + "/Content/";
        fs::create_directories(content);
    }

    void start(const std::string& models)
    {
        tree->writeConfiguration(configuration(models));
        viewer.reset(new ViewerProcess(*tree, server->display(), kelvotest::lineBufferedVerboseEnvironment()));
        ASSERT_FALSE(viewer->waitForWindow("KELVOview archives").empty()) << viewer->output();
        viewer->key("F1"); // the help panel would cover the model
        source.reset(new XdndTestSource(server->display()));
    }

    // An archive made with Debian's zip tool, traditional encryption when a password is given.
    void zipCow(const std::string& archive, const std::string& password) const
    {
        const fs::path files = fs::path(tree->root()) / "cow-files";
        fs::create_directories(files / "Images");
        fs::copy_file(sampleData + "cow.osg", files / "cow.osg", fs::copy_options::overwrite_existing);
        fs::copy_file(sampleData + "Images/reflect.rgb", files / "Images/reflect.rgb",
                      fs::copy_options::overwrite_existing);
        const std::string command = "cd '" + files.string() + "' && " + ZIP_TOOL + " -q -r " +
                                    (password.empty() ? "" : "-P " + password + " ") + "'" + archive +
                                    "' cow.osg Images >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }

    XdndTestSource::Outcome drop(const std::string& file)
    {
        XdndTestSource::Drag drag;
        EXPECT_TRUE(source->windowCentre(viewer->window(), drag.rootX, drag.rootY));
        drag.uriList = XdndTestSource::fileUri(file) + "\r\n";
        return source->perform(drag);
    }

    std::unique_ptr<XvfbServer> server;
    std::unique_ptr<RuntimeTree> tree;
    std::unique_ptr<ViewerProcess> viewer;
    std::unique_ptr<XdndTestSource> source;
    std::string content;
};

} // namespace

TEST_F(ZipEndToEndTest, AnEncryptedArchiveFailsAtStartUpAndLoadsWhenDroppedLater)
{
    zipCow(content + "secret.zip", "harbor42");
    start("    <Model name=\"Secret\" filename=\"../Content/secret.zip\" layerNum=\"1\" visible=\"1\"/>\n");

    // Configured models are read before the first frame registers the password.
    ASSERT_TRUE(viewer->waitForOutput("Unable to load model ../Content/secret.zip\n")) << viewer->output();
    std::string log = viewer->output();
    EXPECT_NE(log.find("Laddar Secret\n"), std::string::npos);
    EXPECT_EQ(kelvotest::occurrences(log, "Error reading file ../Content/secret.zip: read error (entry cow.osg is encrypted "
                               "and no password is registered under \"ZipPlugin\")\n"),
              1u)
        << log;

    osg::ref_ptr<osg::Image> before = Screenshot::capture(*tree, *viewer);
    ASSERT_TRUE(before.valid());

    const XdndTestSource::Outcome outcome = drop(content + "secret.zip");
    EXPECT_TRUE(outcome.finishedAccepted);
    ASSERT_TRUE(viewer->waitForOutput("Laddar secret\n")) << viewer->output();
    osg::ref_ptr<osg::Image> after = Screenshot::capture(*tree, *viewer);
    ASSERT_TRUE(after.valid());
    log = viewer->output();
    EXPECT_EQ(kelvotest::occurrences(log, "Unable to load model"), 1u) << log;

    // The cow stands in the middle of the view, textured from inside the archive.
    EXPECT_LT(Screenshot::difference(*before, *before, 220, 160, 420, 320), 0.001f);
    EXPECT_GT(Screenshot::difference(*before, *after, 220, 160, 420, 320), 0.1f);
    EXPECT_LT(Screenshot::difference(*before, *after, 0, 0, 80, 60), 0.02f);

    const std::string saved = kelvotest::saveConfiguration(*tree, *viewer);
    EXPECT_NE(saved.find("<Model name=\"secret\" filename=\"../Content/secret.zip\" layerNum=\"0\" visible=\"1\"/>"),
              std::string::npos)
        << saved;
    EXPECT_EQ(saved.find("name=\"Secret\""), std::string::npos) << saved;
}

TEST_F(ZipEndToEndTest, PlainArchivesLoadAndBrokenOnesAreReportedWithoutHarm)
{
    zipCow(content + "cow.zip", "");
    TestArchive wrongKey;
    wrongKey.addFile("cow.osg", sampleData + "cow.osg", TestArchive::Aes256, "harbour42");
    ASSERT_TRUE(wrongKey.write(content + "wrong.zip"));
    const std::string whole = RuntimeTree::readFile(content + "cow.zip");
    RuntimeTree::writeFile(content + "truncated.zip", whole.substr(0, whole.size() / 3));
    TestArchive texturesOnly;
    texturesOnly.addFile("Images/reflect.rgb", sampleData + "Images/reflect.rgb");
    ASSERT_TRUE(texturesOnly.write(content + "textures.zip"));

    start("    <Model name=\"Cow\" filename=\"../Content/cow.zip\" layerNum=\"2\" visible=\"1\"/>\n");
    ASSERT_TRUE(viewer->waitForOutput("Laddar Cow\n"));
    EXPECT_EQ(viewer->output().find("Unable to load model"), std::string::npos) << viewer->output();

    drop(content + "wrong.zip");
    ASSERT_TRUE(viewer->waitForOutput("Unable to load model ../Content/wrong.zip\n")) << viewer->output();
    drop(content + "truncated.zip");
    ASSERT_TRUE(viewer->waitForOutput("Unable to load model ../Content/truncated.zip\n")) << viewer->output();
    drop(content + "textures.zip");
    ASSERT_TRUE(viewer->waitForOutput("Unable to load model ../Content/textures.zip\n")) << viewer->output();

    const std::string log = viewer->output();
    EXPECT_NE(log.find(": read error (wrong password for the encrypted entry cow.osg)\n"), std::string::npos);
    EXPECT_NE(log.find("truncated.zip: read error (not a zip archive, or a truncated one)\n"), std::string::npos);
    EXPECT_NE(log.find("textures.zip: read error (it holds no model file)\n"), std::string::npos);
    // Layers 0 to 2 come from the configured model; the failed archives add none.
    EXPECT_EQ(kelvotest::occurrences(log, "Adding new layer"), 3u) << log;
    ASSERT_TRUE(viewer->alive());

    const std::string saved = kelvotest::saveConfiguration(*tree, *viewer);
    EXPECT_EQ(kelvotest::occurrences(saved, "<Model "), 1u) << saved;
    EXPECT_NE(saved.find("filename=\"../Content/cow.zip\" layerNum=\"2\""), std::string::npos) << saved;
}
