// The real KELVOview taking files named on its command line and dropped from a file manager into
// layer 0, in order, the status line naming each; an encrypted zip fails when configured (before
// the first frame registers the password), loads when dropped, and with another password fails.

#include "ViewerSession.h"
#include "XdndTestSource.h"

#include <cstdlib>
#include <filesystem>
#include <regex>

namespace fs = std::filesystem;
using namespace kelvotest;

TEST(DropSession, DroppedModelsAndArchivesJoinLayerZero)
{
    ViewerSession session(1024, 768);
    const std::string content = session.tree().root() + "/Content/";
    const std::string outside = session.tree().root() + "-outside/extra.ive";
    // Seen along +y from 120 m, the boxes stand above the middle, where the archive's cow stands.
    const osg::Vec4 red(1, 0, 0, 1), green(0, 1, 0, 1), blue(0, 0, 1, 1), yellow(1, 1, 0, 1);
    const std::string kaj = "Hamn och kaj", bro = "\xC3\x96resund bro",
                      gul = "gul yta \xC3\xA5\xC3\xA4";
    ASSERT_TRUE(writeBox(content + "red.ive", red, {-30, 0, 20}));
    ASSERT_TRUE(writeBox(content + kaj + ".ive", green, {-10, 0, 20}));
    ASSERT_TRUE(writeBox(content + bro + ".ive", blue, {10, 0, 20}));
    ASSERT_TRUE(writeBox(content + gul + ".osg", yellow, {30, 0, 20}));
    ASSERT_TRUE(writeBox(outside, red, {0, 0, 20}));
    // An archive made with Debian's zip tool, with traditional encryption.
    ASSERT_EQ(0, std::system(("cd '" + std::string(KELVO_TESTDATA_DIR) + "/osg-sample-data' && " +
                              ZIP_TOOL + " -q -P harbor42 '" + content +
                              "secret.zip' cow.osg Images/reflect.rgb && " + ZIP_TOOL +
                              " -q -P other '" + content + "other.zip' cow.osg")
                                 .c_str()));

    session.tree().writeConfiguration(
        "<Overlay useGeoCoords=\"0\" offsetX=\"0\" offsetY=\"0\" offsetZ=\"0\"/>\n" +
        sceneElement(modelElement("Secret", "../Content/secret.zip", 1)) +
        "<Environment backgroundColorRed=\"0.8\" backgroundColorGreen=\"0.8\" "
        "backgroundColorBlue=\"1\" enableWater=\"0\"/>\n" +
        navigationElement({0, -120, 0}, {0, 0, 0}) +
        windowElement("KELVOview drops", 0, 0, 800, 600));
    // Started from the tree's root, a relative name means a file there; an option of the
    // scene-graph library's own viewers is no option here but a file that is not there.
    ASSERT_TRUE(session.start("KELVOview drops", session.tree().root(),
                              {"Content/red.ive", "--window", content + kaj + ".ive"}));
    XdndTestSource source(session.server().display());
    ASSERT_TRUE(source.connected());
    auto drop = [&](const std::vector<std::string>& paths) {
        XdndTestSource::Drag drag;
        for (const std::string& path : paths)
            drag.uriList += XdndTestSource::fileUri(path) + "\r\n";
        return source.windowCentre(session.window(), drag.rootX, drag.rootY) &&
               source.perform(drag).finishedAccepted;
    };
    EXPECT_EQ(occurrences(session.output(),
                          "Error reading file ../Content/secret.zip: read error (entry cow.osg is "
                          "encrypted and no password is registered under \"ZipPlugin\")\n"),
              1u)
        << session.output();
    EXPECT_TRUE(session.waitForOutput("Unsupported file dropped " + session.tree().root() +
                                      "/--window\n")) << session.output();
    // Two at once, loaded in list order.
    EXPECT_TRUE(drop({content + bro + ".ive", content + gul + ".osg"}));
    ASSERT_TRUE(session.waitForOutput("Added model " + gul + " to Layer 0\n")) << session.output();
    EXPECT_TRUE(drop({outside}));
    ASSERT_TRUE(session.waitForOutput("Added model extra to Layer 0\n")) << session.output();

    // Dropped now, the encrypted archive loads: its textured cow stands in the middle of the view.
    osg::ref_ptr<osg::Image> before = session.shot();
    EXPECT_TRUE(drop({content + "secret.zip"}));
    ASSERT_TRUE(session.waitForOutput("Added model secret to Layer 0\n")) << session.output();
    osg::ref_ptr<osg::Image> after = session.shot();
    ASSERT_TRUE(before && after);
    EXPECT_GT(difference(*before, *after, 340, 260, 460, 340), 0.05f);
    EXPECT_LT(difference(*before, *after, 560, 420, 780, 580), 0.02f);
    EXPECT_TRUE(drop({content + "other.zip"}));
    EXPECT_TRUE(session.waitForOutput(
        "Status line: wrong password for the encrypted entry cow.osg\n")) << session.output();
    const std::string log = session.output();
    EXPECT_EQ(occurrences(log, "Status line: Laddar "), 7u) << "each file while it loads";
    EXPECT_EQ(occurrences(log, "Unable to load model"), 2u) << log;
    EXPECT_EQ(occurrences(log, "Adding new layer"), 1u) << "all drops share layer 0";

    // F3 writes the opened and dropped models into layer 0 in the order they came.
    const std::string saved = session.save();
    EXPECT_EQ(saved.find("name=\"Secret\""), std::string::npos) << saved;
    const std::regex model(
        "<Model name=\"([^\"]*)\" filename=\"([^\"]*)\" layerNum=\"0\" visible=\"1\"/>");
    std::vector<std::string> models;
    for (auto it = std::sregex_iterator(saved.begin(), saved.end(), model);
         it != std::sregex_iterator(); ++it)
        models.push_back((*it)[1].str() + " " + (*it)[2].str());
    EXPECT_EQ(models, (std::vector<std::string>{
                          "red ../Content/red.ive", kaj + " ../Content/" + kaj + ".ive",
                          bro + " ../Content/" + bro + ".ive", gul + " ../Content/" + gul + ".osg",
                          "extra " + outside, "secret ../Content/secret.zip"}))
        << saved;

    EXPECT_TRUE(session.stop());
    fs::remove_all(fs::path(outside).parent_path());
}
