// One session of the real KELVOview receiving files from a drag source, as a user drops them from a
// file manager: models in list order into layer 0, names with spaces and non-ASCII letters, files
// from outside the tree, and a zip archive that, configured and encrypted, fails before the first
// frame registers the password and loads when dropped later. What the drop target and the zip
// loader refuse is tested against them directly in the viewer's own tests.

#include "XdndTestSource.h"

#include "ViewerSession.h"

#include <cstdlib>
#include <filesystem>
#include <regex>

namespace fs = std::filesystem;
using namespace kelvotest;

namespace {

const std::string sampleData = std::string(KELVO_TESTDATA_DIR) + "/osg-sample-data/";
const osg::Vec4 red(1, 0, 0, 1), green(0, 1, 0, 1), blue(0, 0, 1, 1), yellow(1, 1, 0, 1);

// Looking along +y at the origin from 120 m, boxes at x = -30, -10, 10, 30 and 20 m up stand side
// by side above the middle of the view, where the archives' cow stands.
bool writeBox(const std::string& path, const osg::Vec4& color, float x)
{
    return kelvotest::writeBox(path, color, osg::Vec3(x, 0.0f, 20.0f));
}

float coverage(const osg::Image& image, const osg::Vec4& color)
{
    return Screenshot::share(image, color);
}

std::string uriList(const std::vector<std::string>& paths)
{
    std::string list;
    for (const std::string& path : paths)
        list += XdndTestSource::fileUri(path) + "\r\n";
    return list;
}

class DropSession : public ::testing::Test
{
protected:
    XdndTestSource::Outcome drop(const std::string& list)
    {
        XdndTestSource::Drag drag;
        EXPECT_TRUE(source->windowCentre(session.viewer().window(), drag.rootX, drag.rootY));
        drag.uriList = list;
        return source->perform(drag);
    }

    // An archive made with Debian's zip tool, traditional encryption when a password is given.
    bool zipCow(const std::string& archive, const std::string& password)
    {
        const fs::path files = fs::path(session.tree().root()) / "cow-files";
        fs::create_directories(files / "Images");
        fs::copy_file(sampleData + "cow.osg", files / "cow.osg", fs::copy_options::overwrite_existing);
        fs::copy_file(sampleData + "Images/reflect.rgb", files / "Images/reflect.rgb",
                      fs::copy_options::overwrite_existing);
        const std::string command = "cd '" + files.string() + "' && " + ZIP_TOOL + " -q -r " +
                                    (password.empty() ? "" : "-P " + password + " ") + "'" + archive +
                                    "' cow.osg Images >/dev/null 2>&1";
        return std::system(command.c_str()) == 0;
    }

    ViewerSession session{1024, 768, false, false};
    std::unique_ptr<XdndTestSource> source;
};

} // namespace

TEST_F(DropSession, DroppedModelsAndArchivesJoinLayerZero)
{
    const std::string content = session.tree().root() + "/Content/";
    const fs::path outside = fs::path(session.tree().root()).parent_path() / ("kelvo-outside-" + std::to_string(::getpid()));
    ASSERT_TRUE(writeBox(content + "red.ive", red, -30.0f));
    ASSERT_TRUE(writeBox(content + "Hamn och kaj.ive", green, -10.0f));
    ASSERT_TRUE(writeBox(content + "\xC3\x96resund bro.ive", blue, 10.0f));
    ASSERT_TRUE(writeBox(content + "gul yta \xC3\xA5\xC3\xA4.osg", yellow, 30.0f));
    ASSERT_TRUE(writeBox((outside / "extra.ive").string(), red, 0.0f));
    ASSERT_TRUE(zipCow(content + "secret.zip", "harbor42"));
    ASSERT_TRUE(zipCow(content + "cow.zip", ""));

    session.tree().writeConfiguration(
        "<Overlay useGeoCoords=\"0\" offsetX=\"0\" offsetY=\"0\" offsetZ=\"0\"/>\n" +
        sceneElement(modelElement("Secret", "../Content/secret.zip", 1) + modelElement("Cow", "../Content/cow.zip", 2)) +
        environmentElement(0.8f, 0.8f, 1.0f) + navigationElement({0, -120, 0}, {0, 0, 0}) +
        windowElement("KELVOview drops", 0, 0, 800, 600));
    ASSERT_TRUE(session.start("KELVOview drops"));
    ViewerProcess& viewer = session.viewer();
    source.reset(new XdndTestSource(session.server().display()));
    ASSERT_TRUE(source->connected());
    // The help panel covers the middle of the view; the configured plain cow stands where the
    // dropped encrypted one will.
    viewer.key("F1 2");

    // Configured models are read before the first frame registers the archive password.
    std::string log = viewer.output();
    EXPECT_NE(log.find("Laddar Secret\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Unable to load model ../Content/secret.zip\n"), std::string::npos) << log;
    EXPECT_EQ(occurrences(log, "Error reading file ../Content/secret.zip: read error (entry cow.osg is encrypted "
                               "and no password is registered under \"ZipPlugin\")\n"),
              1u)
        << log;
    EXPECT_NE(log.find("Laddar Cow\n"), std::string::npos) << log;
    EXPECT_EQ(occurrences(log, "Unable to load model"), 1u) << log;

    osg::ref_ptr<osg::Image> empty = session.shot();
    ASSERT_TRUE(empty.valid());
    EXPECT_LT(coverage(*empty, red), 0.001f);

    // One file.
    const XdndTestSource::Outcome first = drop(uriList({content + "red.ive"}));
    EXPECT_TRUE(first.accepted);
    EXPECT_EQ(first.statusAction, "XdndActionCopy");
    EXPECT_TRUE(first.finishedAccepted);
    ASSERT_TRUE(viewer.waitForOutput("Laddar red\n")) << viewer.output();
    osg::ref_ptr<osg::Image> one = session.shot();
    ASSERT_TRUE(one.valid());
    EXPECT_GT(coverage(*one, red), 0.005f);
    EXPECT_LT(coverage(*one, green), 0.001f);

    // Three at once, loaded in list order.
    EXPECT_TRUE(drop(uriList({content + "Hamn och kaj.ive", content + "\xC3\x96resund bro.ive",
                              content + "gul yta \xC3\xA5\xC3\xA4.osg"}))
                    .finishedAccepted);
    ASSERT_TRUE(viewer.waitForOutput("Laddar gul yta \xC3\xA5\xC3\xA4\n")) << viewer.output();
    log = viewer.output();
    const auto kaj = log.find("Laddar Hamn och kaj\n");
    const auto bro = log.find("Laddar \xC3\x96resund bro\n");
    ASSERT_NE(kaj, std::string::npos);
    ASSERT_NE(bro, std::string::npos);
    EXPECT_LT(kaj, bro);
    EXPECT_LT(bro, log.find("Laddar gul yta \xC3\xA5\xC3\xA4\n"));
    EXPECT_EQ(occurrences(log, "Laddar red\n"), 1u);
    osg::ref_ptr<osg::Image> four = session.shot();
    ASSERT_TRUE(four.valid());
    for (const osg::Vec4& color : {red, green, blue, yellow})
        EXPECT_GT(coverage(*four, color), 0.005f) << "colour " << color.r() << " " << color.g() << " " << color.b();

    // A file from outside the program's tree keeps its full path.
    drop(uriList({(outside / "extra.ive").string()}));
    ASSERT_TRUE(viewer.waitForOutput("Laddar extra\n")) << viewer.output();

    // Dropped now, the encrypted archive loads: the cow stands in the middle of the view, textured
    // from inside the archive; the rest of the view stays.
    osg::ref_ptr<osg::Image> before = session.shot();
    ASSERT_TRUE(before.valid());
    EXPECT_TRUE(drop(uriList({content + "secret.zip"})).finishedAccepted);
    ASSERT_TRUE(viewer.waitForOutput("Laddar secret\n")) << viewer.output();
    osg::ref_ptr<osg::Image> after = session.shot();
    ASSERT_TRUE(after.valid());
    EXPECT_GT(Screenshot::difference(*before, *after, 340, 260, 460, 340), 0.05f);
    EXPECT_LT(Screenshot::difference(*before, *after, 560, 420, 780, 580), 0.02f);
    log = viewer.output();
    EXPECT_EQ(occurrences(log, "Unable to load model"), 1u) << log;
    // Layers 0 to 2 come from the configured model; nothing dropped adds one.
    EXPECT_EQ(occurrences(log, "Adding new layer"), 3u) << log;

    // F3 writes the dropped models into layer 0 in the order they came, with their paths.
    const std::string saved = session.save();
    EXPECT_NE(saved.find("filename=\"../Content/cow.zip\" layerNum=\"2\""), std::string::npos) << saved;
    EXPECT_EQ(saved.find("name=\"Secret\""), std::string::npos) << saved;
    const std::regex model("<Model name=\"([^\"]*)\" filename=\"([^\"]*)\" layerNum=\"0\" visible=\"1\"/>");
    std::vector<std::string> names, files;
    for (auto it = std::sregex_iterator(saved.begin(), saved.end(), model); it != std::sregex_iterator(); ++it) {
        names.push_back((*it)[1]);
        files.push_back((*it)[2]);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"red", "Hamn och kaj", "\xC3\x96resund bro",
                                               "gul yta \xC3\xA5\xC3\xA4", "extra", "secret"}))
        << saved;
    EXPECT_EQ(files, (std::vector<std::string>{"../Content/red.ive", "../Content/Hamn och kaj.ive",
                                               "../Content/\xC3\x96resund bro.ive",
                                               "../Content/gul yta \xC3\xA5\xC3\xA4.osg",
                                               (outside / "extra.ive").string(), "../Content/secret.zip"}))
        << saved;

    // Key 0 switches layer 0, the layer of dropped files: all of them go.
    viewer.key("0");
    osg::ref_ptr<osg::Image> hidden = session.shot();
    ASSERT_TRUE(hidden.valid());
    for (const osg::Vec4& color : {red, green, blue, yellow})
        EXPECT_LT(coverage(*hidden, color), 0.001f);
    EXPECT_TRUE(session.stop());
    session.keepOnFailure(*four, "drops-four");
    session.keepOnFailure(*after, "drops-secret");
    fs::remove_all(outside);
}
