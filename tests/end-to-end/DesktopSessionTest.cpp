// One desktop session with the real KELVOview: models in layers switched with digits, alternatives
// cycled with Alt and Ctrl, Space back to the home view, F3 writing the scene and the current view
// as the next home; then a second start that opens on that home.

#include "ViewerSession.h"

#include <cmath>
#include <cstdlib>
#include <regex>

using namespace kelvotest;

namespace {

// Looking at the origin; the viewer keeps its centre 10 m ahead of the eye.
const osg::Vec3d homeEye(0, -40, 6);
const osg::Vec3d homeCentre = homeEye - homeEye * (10.0 / homeEye.length());

// Share of the pixels of an 800 x 600 view's left or right half that differ from an empty view.
float coverage(const osg::Image& image, const osg::Image& empty, bool right)
{
    int covered = 0, total = 0;
    for (int y = 120; y < 480; y += 2)
        for (int x = right ? 420 : 60; x < (right ? 740 : 380); x += 2, ++total) {
            const osg::Vec3f d = pixel(image, x, y) - pixel(empty, x, y);
            covered += std::fabs(d.x()) + std::fabs(d.y()) + std::fabs(d.z()) > 0.15f;
        }
    return static_cast<float>(covered) / total;
}

std::map<std::string, double> home(const std::string& xml)
{
    std::map<std::string, double> values;
    for (const auto& attribute : elementAttributes(xml, "Navigation"))
        values[attribute.first] = std::atof(attribute.second.c_str());
    return values;
}

osg::Vec3d point(const std::map<std::string, double>& n, const std::string& prefix)
{
    return osg::Vec3d(n.at(prefix + "X"), n.at(prefix + "Y"), n.at(prefix + "Z"));
}

} // namespace

TEST(DesktopSession, LayersAlternativesHomeViewAndSaveAcrossTwoStarts)
{
    ViewerSession session;
    for (const char* model : {"Cow.ive", "Truck.ive", "Cessna.ive"})
        session.tree().copyInto(std::string(TEST_MODEL_DIR) + "/" + model,
                                std::string("Content/Models/") + model);
    RuntimeTree::writeFile(session.tree().root() + "/Content/Models/notes.txt", "not a model\n");
    session.tree().writeConfiguration(
        sceneElement(modelElement("Cow", "../Content/Models/Cow.ive", 1) +
                     modelElement("Truck", "../Content/Models/Truck.ive", 2) +
                     modelElement("Cessna", "../Content/Models/Cessna.ive", 2, false) +
                     modelElement("Gone", "../Content/Models/Gone.ive", 3) +
                     modelElement("Plain", "../Content/Models/notes.txt", 4)) +
        navigationElement(homeEye, homeCentre) + windowElement("KELVOview 1.02", 0, 0, 800, 600));
    ASSERT_TRUE(session.start("KELVOview 1.02"));
    ViewerProcess& viewer = session.viewer();
    const std::string log = viewer.output();
    for (const char* line :
         {"Loaded configuration file successfully", "Laddar Cow\n", "Laddar Cessna\n",
          "Adding new layer Layer 2\n", "Unable to load model ../Content/Models/Gone.ive\n",
          "Unsupported file dropped ../Content/Models/notes.txt\n"})
        EXPECT_NE(std::string::npos, log.find(line)) << line << "\n" << log;
    EXPECT_EQ(std::string::npos, log.find("Adding new layer Layer 3"))
        << "a failed model makes no layer";

    // Left of the centre the cow (layer 1), right of it the truck or the cessna (layer 2).
    viewer.key("1 2");
    osg::ref_ptr<osg::Image> empty = session.shot();
    viewer.key("1 2");
    osg::ref_ptr<osg::Image> start = session.shot();
    viewer.key("1");
    osg::ref_ptr<osg::Image> cowOff = session.shot();
    viewer.key("1");
    // A person releases the digit while Alt is still held ("xdotool key alt+2" would not).
    viewer.send("keydown Alt_L key 2 keyup Alt_L");
    osg::ref_ptr<osg::Image> cessna = session.shot();
    viewer.send("keydown Control_L key 2 keyup Control_L");
    osg::ref_ptr<osg::Image> truck = session.shot();
    viewer.key("2");
    osg::ref_ptr<osg::Image> layerOff = session.shot();
    viewer.key("2");
    ASSERT_TRUE(empty && start && cowOff && cessna && truck && layerOff);
    EXPECT_GT(coverage(*start, *empty, false), 0.01f);
    EXPECT_GT(coverage(*start, *empty, true), 0.01f);
    EXPECT_LT(coverage(*cowOff, *empty, false), 0.002f) << "layer 1 switched off";
    EXPECT_LT(difference(*start, *cowOff, 420, 120, 740, 480), 0.01f) << "layer 2 untouched";
    EXPECT_GT(coverage(*cessna, *empty, true), 0.005f) << "an alternative is shown";
    EXPECT_GT(difference(*start, *cessna, 420, 120, 740, 480), 0.01f)
        << "the cessna, not the truck";
    EXPECT_LT(difference(*start, *cessna, 60, 120, 380, 480), 0.01f) << "layer 1 back on";
    EXPECT_LT(difference(*start, *truck), 0.01f) << "cycled back to the truck";
    EXPECT_LT(coverage(*layerOff, *empty, true), 0.002f);

    // F3 writes the scene as configured, without the model that failed, and the unmoved home.
    const std::string saved = session.save();
    const std::regex models("<Model name=\"Cow\" filename=\"../Content/Models/Cow.ive\" "
                            "layerNum=\"1\" visible=\"1\"/>\\s*"
                            "<Model name=\"Truck\" filename=\"../Content/Models/Truck.ive\" "
                            "layerNum=\"2\" visible=\"1\"/>\\s*"
                            "<Model name=\"Cessna\" filename=\"../Content/Models/Cessna.ive\" "
                            "layerNum=\"2\" visible=\"0\"/>\\s*</Scene>");
    EXPECT_TRUE(std::regex_search(saved, models)) << saved;
    EXPECT_EQ(std::string::npos, saved.find("Gone")) << saved;
    ASSERT_EQ(home(saved).size(), 6u) << saved;
    EXPECT_LT((point(home(saved), "homeEye") - homeEye).length(), 1e-3) << saved;
    EXPECT_NE(std::string::npos,
              saved.find("<Window title=\"KELVOview 1.02\" x=\"0\" y=\"0\" width=\"800\" "
                         "height=\"600\" maximized=\"0\" fullscreen=\"0\" screenNum=\"0\" "
                         "numSamples=\"0\" stereo=\"0\"/>"))
        << saved;

    // Flown away with real keys, Space brings the home view back.
    osg::ref_ptr<osg::Image> homeView = session.settled();
    viewer.send("keydown j sleep 0.4 keyup j keydown w sleep 0.8 keyup w");
    osg::ref_ptr<osg::Image> away = session.settled();
    viewer.key("space");
    osg::ref_ptr<osg::Image> back = session.settled();
    ASSERT_TRUE(homeView && away && back);
    EXPECT_GT(difference(*homeView, *away), 0.02f);
    EXPECT_LT(difference(*homeView, *back), 0.003f);

    // F3 makes the current view the next home: moved, as far ahead as before, pitched down with K.
    viewer.send(
        "keydown l sleep 0.1 keyup l keydown k sleep 0.08 keyup k keydown w sleep 0.6 keyup w");
    osg::ref_ptr<osg::Image> newHome = session.settled();
    ASSERT_TRUE(newHome);
    const std::map<std::string, double> written = home(session.save());
    ASSERT_EQ(written.size(), 6u);
    EXPECT_GT((point(written, "homeEye") - homeEye).length(), 0.5);
    EXPECT_NEAR((point(written, "homeCenter") - point(written, "homeEye")).length(), 10.0, 1e-3);
    EXPECT_LT(written.at("homeCenterZ") - written.at("homeEyeZ"), homeCentre.z() - homeEye.z());
    ASSERT_TRUE(session.stop());

    // The next start opens on that home; saved again without moving, it writes the same home.
    ASSERT_TRUE(session.start("KELVOview 1.02"));
    osg::ref_ptr<osg::Image> restarted = session.settled();
    ASSERT_TRUE(restarted);
    EXPECT_LT(difference(*newHome, *restarted), 0.005f);
    const std::map<std::string, double> again = home(session.save());
    ASSERT_EQ(again.size(), 6u);
    for (const auto& entry : written)
        EXPECT_NEAR(again.at(entry.first), entry.second, 1e-3) << entry.first;
    EXPECT_TRUE(session.stop());
}
