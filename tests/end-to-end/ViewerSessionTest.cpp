// The real KELVOview on private X servers, one run a scenario, judged by its screenshots, output
// and the files it writes.

#include "ViewerSession.h"
#include "XdndTestSource.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <regex>

namespace fs = std::filesystem;
using namespace kelvotest;

namespace {

// Looking at the origin; the viewer keeps its centre 10 m ahead of the eye.
const osg::Vec3d homeEye(0, -40, 6);
const osg::Vec3d homeCentre = homeEye - homeEye * (10.0 / homeEye.length());
// Layer 1 left of the centre, layer 2 (the truck or the cessna) right of it.
const osg::Vec4 cow(1, 0, 0, 1), truck(0, 1, 0, 1), cessna(1, 1, 0, 1);

// A point of the home view in a saved configuration: "homeEye" or "homeCenter".
osg::Vec3d point(const std::string& xml, const std::string& prefix)
{
    std::map<std::string, std::string> n = elementAttributes(xml, "Navigation");
    return osg::Vec3d(std::atof(n[prefix + "X"].c_str()), std::atof(n[prefix + "Y"].c_str()),
                      std::atof(n[prefix + "Z"].c_str()));
}

// Regions of the 1024 x 768 window in the shipped home view, clear of the head-up display.
enum Region { Sky, Land, Sea };
const int regions[][4] = {{250, 140, 760, 260}, {300, 420, 1000, 600}, {260, 715, 1000, 768}};

osg::Vec3f color(const osg::Image& image, Region r)
{
    return mean(image, regions[r][0], regions[r][1], regions[r][2], regions[r][3]);
}

float change(const osg::Image& a, const osg::Image& b, Region r)
{
    return difference(a, b, regions[r][0], regions[r][1], regions[r][2], regions[r][3]);
}

const int screenWidth = 1280, screenHeight = 1024;
const char* const title = "KELVOview window test";

std::string rectangle(std::map<std::string, std::string> w)
{
    return w["x"] + " " + w["y"] + " " + w["width"] + " " + w["height"];
}

} // namespace

// The real KELVOview on a desktop: its defaults, layers, alternatives, the coordinate readout,
// Space back home, F3 writing the view as the home the next start opens.
TEST(DesktopSession, DefaultsLayersReadoutHomeViewAndSaveAcrossStarts)
{
    ViewerSession session;
    RuntimeTree& tree = session.tree();
    const std::string models = tree.root() + "/Content/Models/";
    // Without a configuration file, started where ../Resources is missing, the viewer moves to
    // Bin, opens the default window centred, draws, and writes nothing at exit.
    tree.removeConfiguration();
    fs::create_directories(models);
    ASSERT_TRUE(session.start("KELVOview 1.02", models));
    EXPECT_TRUE(session.waitForOutput("Changed working directory to " + tree.bin() + ","));
    const std::string geometry = session.xdotool("getwindowgeometry " + session.window());
    EXPECT_NE(geometry.find("Position: 128,128 (screen: 0)\n  Geometry: 1024x768"),
              std::string::npos) << geometry;
    osg::ref_ptr<osg::Image> drawn = session.shot();
    ASSERT_TRUE(drawn);
    const osg::Vec3f middle = mean(*drawn, 312, 284, 712, 484);
    EXPECT_GT(middle.x() + middle.y() + middle.z(), 0.3f) << "not the black of no frame";
    ASSERT_TRUE(session.stop());
    EXPECT_FALSE(fs::exists(tree.configurationPath()));

    ASSERT_TRUE(writeBox(models + "Cow.ive", cow, {-12, 0, 8}));
    ASSERT_TRUE(writeBox(models + "Truck.ive", truck, {12, 0, 8}));
    ASSERT_TRUE(writeBox(models + "Cessna.ive", cessna, {12, 0, 8}));
    tree.writeConfiguration(
        sceneElement(modelElement("Cow", "../Content/Models/Cow.ive", 1) +
                     modelElement("Truck", "../Content/Models/Truck.ive", 2) +
                     modelElement("Cessna", "../Content/Models/Cessna.ive", 2, false)) +
        navigationElement(homeEye, homeCentre) + windowElement("KELVOview 1.02", 0, 0, 800, 600));
    ASSERT_TRUE(session.start("KELVOview 1.02"));

    // The boxes a screenshot after some input shows: c(ow), t(ruck), y(ellow cessna).
    auto shown = [&](const std::string& input) {
        session.send(input);
        osg::ref_ptr<osg::Image> image = session.shot();
        std::string boxes;
        const std::pair<char, osg::Vec4> all[] = {{'c', cow}, {'t', truck}, {'y', cessna}};
        for (const auto& box : all)
            if (image && share(*image, box.second) > 0.01f)
                boxes += box.first;
        return boxes;
    };
    EXPECT_EQ(shown(""), "ct");
    EXPECT_EQ(shown("key 1"), "t") << "layer 1 off";
    // A person releases the digit while Alt is still held ("xdotool key alt+2" would not).
    EXPECT_EQ(shown("key 1 keydown Alt_L key 2 keyup Alt_L"), "cy") << "the alternative";
    EXPECT_EQ(shown("keydown Control_L key 2 keyup Control_L"), "ct") << "cycled back";
    EXPECT_EQ(shown("key 2"), "c") << "layer 2 off";

    // Flown away with real keys, the readout (200 x 90 at 8, 8 from the bottom left) shows
    // another eye; Space brings the home view back.
    const auto readout = [](const osg::Image& a, const osg::Image& b) {
        return difference(a, b, 8, 502, 208, 592);
    };
    const float same = 0.003f, changed = 0.005f;
    osg::ref_ptr<osg::Image> homeView = session.settled();
    session.send("keydown j sleep 0.4 keyup j keydown w sleep 0.8 keyup w");
    osg::ref_ptr<osg::Image> away = session.settled();
    session.key("space");
    osg::ref_ptr<osg::Image> back = session.settled();
    ASSERT_TRUE(homeView && away && back);
    EXPECT_GT(readout(*homeView, *away), changed);
    EXPECT_LT(difference(*homeView, *back), 0.003f);

    // Held M, it reads the point under the pointer, keeps it over the sky, and the eye once
    // released.
    session.send("keydown m mousemove --window " + session.window() + " 150 300");
    osg::ref_ptr<osg::Image> onCow = session.settled(8, 502, 208, 592);
    session.xdotool("mousemove --window " + session.window() + " 400 40");
    osg::ref_ptr<osg::Image> sky = session.settled(8, 502, 208, 592);
    session.xdotool("keyup m");
    osg::ref_ptr<osg::Image> released = session.settled(8, 502, 208, 592);
    ASSERT_TRUE(onCow && sky && released);
    EXPECT_GT(readout(*back, *onCow), changed);
    EXPECT_LT(readout(*onCow, *sky), same);
    EXPECT_LT(readout(*back, *released), same);

    // F3 makes the current view the next home: moved, as far ahead as before, pitched down with K.
    session.send(
        "keydown l sleep 0.1 keyup l keydown k sleep 0.08 keyup k keydown w sleep 1.5 keyup w");
    ASSERT_TRUE(session.settled());
    const std::string written = session.save();
    const osg::Vec3d eye = point(written, "homeEye"), centre = point(written, "homeCenter");
    EXPECT_GT((eye - homeEye).length(), 0.5) << written;
    EXPECT_NEAR((centre - eye).length(), 10.0, 1e-3) << written;
    EXPECT_LT(centre.z() - eye.z(), homeCentre.z() - homeEye.z()) << written;
    ASSERT_TRUE(session.stop());

    // The next start opens on that home: saved at once, it writes the same home.
    ASSERT_TRUE(session.start("KELVOview 1.02"));
    const std::string again = session.save();
    EXPECT_LT((point(again, "homeEye") - eye).length(), 1e-3) << again;
    EXPECT_LT((point(again, "homeCenter") - centre).length(), 1e-3) << again;
    EXPECT_TRUE(session.stop());
}

// The shipped demo world in the real viewer: sea, sky and land in its screenshots, the sea moving,
// the drawing keys acting.
TEST(SeaSession, ShippedDemoSeaSkyWavesAndDrawingKeys)
{
    ViewerSession session(1280, 1024, false, true);
    // Labels built in this run, not read from a cache a run in the staged tree may have left.
    fs::remove(session.tree().root() + "/Content/InfoPoints/InfoPoints.ive");
    ASSERT_TRUE(session.start());
    const std::string log = session.output();
    for (const char* text :
         {"Pylon coordinate list not found", "Wire coordinate file could not be opened",
          "No InfoPoints found", "Could not open", "Unable to load model",
          "Failed to initialize Maris", "The ocean could not be created"})
        EXPECT_EQ(log.find(text), std::string::npos) << log;
    // Xvfb draws with llvmpipe: the lighter sea keeps the session interactive.
    EXPECT_NE(log.find(": drawing in one thread without multisampling or anisotropic filtering, the sea with a "), std::string::npos);

    // A slow frame may still show the help panel; each picture is the second one after its keys.
    auto after = [&](const std::string& keys) {
        if (!keys.empty())
            session.key(keys);
        session.shot();
        return session.shot();
    };
    // Sea at the bottom, sky at the top; the waves move while the land stands still.
    const osg::ref_ptr<osg::Image> first = after("");
    osg::ref_ptr<osg::Image> second;
    ASSERT_TRUE(first);
    EXPECT_TRUE(waitUntil([&] {
        return (second = session.shot()) && change(*first, *second, Sea) > 0.006f;
    })) << "the sea stood still";
    ASSERT_TRUE(second);
    const osg::Vec3f sea = color(*first, Sea), sky = color(*first, Sky);
    EXPECT_GT(sea.z() - std::max(sea.x(), sea.y()), 0.08f) << "the bottom rows are not sea";
    EXPECT_LT(sea * osg::Vec3f(1, 1, 1), 1.8f) << "the sea is like the background";
    EXPECT_GT(sky.z() - std::max(sky.x(), sky.y()), 0.1f) << "no blue sky at the top";
    // The sky is the cube map, not the configured background color (0.8, 0.8, 1).
    EXPECT_GT(std::fabs(sky.x() - 0.8f) + std::fabs(sky.y() - 0.8f), 0.1f);
    EXPECT_LT(change(*first, *second, Land), 0.002f) << "the land changed without input";

    // Each drawing key changes the land; pressed again (F4 three times: faces, lines, points,
    // faces) it brings it back.
    const std::pair<const char*, const char*> keys[] = {{"F4", "F4 F4"}, {"F5", "F5"},
                                                         {"F6", "F6"}};
    for (const auto& key : keys) {
        osg::ref_ptr<osg::Image> changed = after(key.first);
        osg::ref_ptr<osg::Image> back = after(key.second);
        ASSERT_TRUE(changed && back) << key.first;
        EXPECT_GT(change(*first, *changed, Land), 0.01f) << key.first << " changed nothing";
        EXPECT_LT(change(*first, *back, Land), 0.003f) << key.first << " did not come back";
    }
    EXPECT_TRUE(session.stop());
}

// The real KELVOview taking files named on its command line and dropped from a file manager into
// layer 0, in order, the status line naming each; an encrypted zip fails when configured (before
// the first frame registers the password), loads when dropped, and with another password fails.
TEST(DropSession, DroppedModelsAndArchivesJoinLayerZero)
{
    ViewerSession session(1024, 768);
    const std::string content = session.tree().root() + "/Content/";
    // Seen along +y from 120 m, the boxes stand above the middle, where the archive's cow stands.
    const osg::Vec4 red(1, 0, 0, 1), green(0, 1, 0, 1), blue(0, 0, 1, 1), yellow(1, 1, 0, 1);
    const std::string kaj = "Hamn och kaj", bro = "\xC3\x96resund bro",
                      gul = "gul yta \xC3\xA5\xC3\xA4";
    ASSERT_TRUE(writeBox(content + "red.ive", red, {-30, 0, 20}));
    ASSERT_TRUE(writeBox(content + kaj + ".ive", green, {-10, 0, 20}));
    ASSERT_TRUE(writeBox(content + bro + ".ive", blue, {10, 0, 20}));
    ASSERT_TRUE(writeBox(content + gul + ".osg", yellow, {30, 0, 20}));
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
    EXPECT_EQ(occurrences(log, "Status line: Laddar "), 6u) << "each file while it loads";
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
                          "secret ../Content/secret.zip"}))
        << saved;

    EXPECT_TRUE(session.stop());
}

// The real KELVOview's window under a window manager: full screen, F11, the user's moves, resizes
// and what F3 writes about the window.
TEST(WindowManagerSession, FullScreenDropsRectangleMovesAndResizes)
{
    ViewerSession session(screenWidth, screenHeight, true, false);
    XdndTestSource probe(session.server().display());
    ASSERT_TRUE(probe.connected());
    const std::string box = session.tree().root() + "/Content/box.ive";
    ASSERT_TRUE(writeBox(box, {1, 0, 0, 1}, {0, 0, 0}));
    session.tree().writeConfiguration(sceneElement() +
                                      windowElement(title, 100, 50, 640, 480, false, true));
    ASSERT_TRUE(session.start(title));
    const unsigned long window = std::stoul(session.window());
    auto saved = [&] { return elementAttributes(session.save(), "Window"); };
    auto outerIs = [&](const WindowProbe::Rectangle& r) {
        return waitUntil([&] { return probe.outer(window) == r; });
    };
    auto coversScreen = [&] {
        const WindowProbe::Rectangle screen{0, 0, screenWidth, screenHeight};
        return waitUntil(
            [&] { return probe.client(window) == screen && !probe.decorated(window); });
    };
    EXPECT_TRUE(coversScreen()) << probe.client(window);

    // A drop on the full-screen window loads.
    XdndTestSource::Drag drag;
    drag.uriList = XdndTestSource::fileUri(box) + "\r\n";
    ASSERT_TRUE(probe.windowCentre(session.window(), drag.rootX, drag.rootY));
    EXPECT_TRUE(probe.perform(drag).finishedAccepted);
    EXPECT_TRUE(session.waitForOutput("Laddar box\n")) << session.output();

    // The first F11 opens the configured rectangle, decorated, and F3 writes it.
    session.key("F11");
    EXPECT_TRUE(outerIs({100, 50, 640, 480})) << probe.outer(window);
    EXPECT_TRUE(probe.decorated(window));
    std::map<std::string, std::string> attributes = saved();
    EXPECT_EQ(rectangle(attributes), "100 50 640 480");
    EXPECT_EQ(attributes["maximized"] + attributes["fullscreen"], "00");

    // Moved and resized by the user after the viewer's next frame, it comes back there from full
    // screen.
    ASSERT_TRUE(session.shot());
    probe.move(window, 300, 200);
    probe.resize(window, 500, 400);
    ASSERT_TRUE(outerIs({300, 200, 500, 400})) << probe.outer(window);
    session.key("F11");
    EXPECT_TRUE(coversScreen()) << probe.client(window);
    attributes = saved();
    EXPECT_EQ(rectangle(attributes), "0 0 1280 1024") << "full screen is saved as the screen";
    EXPECT_EQ(attributes["fullscreen"], "1");
    session.key("F11");
    EXPECT_TRUE(outerIs({300, 200, 500, 400})) << probe.outer(window);

    // Sized by hand to the screen it counts as full screen; F11 restores the rectangle.
    ASSERT_TRUE(session.shot());
    probe.resize(window, screenWidth, screenHeight);
    probe.move(window, 0, 0);
    ASSERT_TRUE(outerIs({0, 0, screenWidth, screenHeight})) << probe.outer(window);
    EXPECT_EQ(saved()["fullscreen"], "1");
    session.key("F11");
    EXPECT_TRUE(outerIs({300, 200, 500, 400})) << probe.outer(window);

    // Dragged partly off the screen, it is saved at zero on those sides.
    ASSERT_TRUE(session.shot());
    probe.move(window, -50, -30);
    ASSERT_TRUE(waitUntil([&] { return probe.outer(window).y < 0; })) << probe.outer(window);
    EXPECT_EQ(rectangle(saved()), "0 0 500 400");
    EXPECT_TRUE(session.stop());
}
