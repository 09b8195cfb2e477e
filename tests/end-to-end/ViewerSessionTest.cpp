// The real KELVOview on a desktop: its defaults, layers, alternatives, the coordinate readout,
// Space back home, F3 writing the scene and the view as the home the next start opens.

#include "ViewerSession.h"

#include <cstdlib>
#include <filesystem>

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

} // namespace

TEST(DesktopSession, DefaultsLayersReadoutHomeViewAndSaveAcrossStarts)
{
    ViewerSession session;
    RuntimeTree& tree = session.tree();
    const std::string models = tree.root() + "/Content/Models/";
    // Without a configuration file, started where ../Resources is missing, the viewer moves to
    // Bin, opens the default window centred, draws, and writes nothing at exit.
    tree.removeConfiguration();
    std::filesystem::create_directories(models);
    ASSERT_TRUE(session.start("KELVOview 1.02", models));
    EXPECT_TRUE(session.waitForOutput("Changed working directory to " + tree.bin() + ","));
    EXPECT_TRUE(session.waitForOutput("No configuration file found, using defaults"))
        << session.output();
    EXPECT_EQ(session.output().find("is not well-formed"), std::string::npos);
    const std::string geometry = session.xdotool("getwindowgeometry " + session.window());
    EXPECT_NE(geometry.find("Position: 128,128 (screen: 0)\n  Geometry: 1024x768"),
              std::string::npos) << geometry;
    osg::ref_ptr<osg::Image> drawn = session.shot();
    ASSERT_TRUE(drawn);
    const osg::Vec3f middle = mean(*drawn, 312, 284, 712, 484);
    EXPECT_GT(middle.x() + middle.y() + middle.z(), 0.3f) << "not the black of no frame";
    ASSERT_TRUE(session.stop());
    EXPECT_FALSE(std::filesystem::exists(tree.configurationPath()));

    ASSERT_TRUE(writeBox(models + "Cow.ive", cow, {-12, 0, 8}));
    ASSERT_TRUE(writeBox(models + "Truck.ive", truck, {12, 0, 8}));
    ASSERT_TRUE(writeBox(models + "Cessna.ive", cessna, {12, 0, 8}));
    tree.writeConfiguration(
        sceneElement(modelElement("Cow", "../Content/Models/Cow.ive", 1) +
                     modelElement("Truck", "../Content/Models/Truck.ive", 2) +
                     modelElement("Cessna", "../Content/Models/Cessna.ive", 2, false) +
                     modelElement("Gone", "../Content/Models/Gone.ive", 3)) +
        navigationElement(homeEye, homeCentre) + windowElement("KELVOview 1.02", 0, 0, 800, 600));
    ASSERT_TRUE(session.start("KELVOview 1.02"));
    // The models that loaded show in the pictures below; the one that did not is reported.
    EXPECT_TRUE(session.waitForOutput("Unable to load model ../Content/Models/Gone.ive\n"));
    EXPECT_EQ(session.output().find("Adding new layer Layer 3"), std::string::npos)
        << "a failed model makes no layer";

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
    EXPECT_GT(difference(*homeView, *away), 0.02f);
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
