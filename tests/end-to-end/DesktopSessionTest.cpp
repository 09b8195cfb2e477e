// One desktop session with the real KELVOview: models in layers switched with digits, alternatives
// cycled with Alt and Ctrl, Space back to the home view, F3 writing the scene and the current view
// as the next home, Escape; then a second start that opens on that home.

#include "ViewerSession.h"

#include <cmath>
#include <cstdlib>
#include <regex>
#include <thread>

using namespace kelvotest;

namespace {

const int w = 800, h = 600;
// Looking at the origin; the viewer keeps its centre 10 m ahead of the eye.
const osg::Vec3d homeEye(0, -40, 6);
const osg::Vec3d homeCentre = homeEye - homeEye * (10.0 / homeEye.length());

// Share of the pixels of a region that differ from the same pixels of an empty view (background and
// head-up display only).
float coverage(const osg::Image& image, const osg::Image& empty, int x0, int y0, int x1, int y1)
{
    int covered = 0, total = 0;
    for (int y = y0; y < y1; y += 2) {
        for (int x = x0; x < x1; x += 2, ++total) {
            const osg::Vec3f d = Screenshot::pixel(image, x, y) - Screenshot::pixel(empty, x, y);
            covered += (std::fabs(d.x()) + std::fabs(d.y()) + std::fabs(d.z())) > 0.15f ? 1 : 0;
        }
    }
    return total ? static_cast<float>(covered) / total : 0.0f;
}

float difference(const osg::Image& a, const osg::Image& b)
{
    return Screenshot::difference(a, b, 0, 0, a.s(), a.t());
}

std::map<std::string, double> navigationAttributes(const std::string& xml)
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

class DesktopSession : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* model : {"Cow.ive", "Truck.ive", "Cessna.ive"})
            session.tree().copyInto(std::string(TEST_MODEL_DIR) + "/" + model, std::string("Content/Models/") + model);
        RuntimeTree::writeFile(session.tree().root() + "/Content/Models/notes.txt", "not a model\n");
        session.tree().writeConfiguration(
            sceneElement(modelElement("Cow", "../Content/Models/Cow.ive", 1) +
                         modelElement("Truck", "../Content/Models/Truck.ive", 2) +
                         modelElement("Cessna", "../Content/Models/Cessna.ive", 2, false) +
                         modelElement("Gone", "../Content/Models/Gone.ive", 3) +
                         modelElement("Plain", "../Content/Models/notes.txt", 4)) +
            navigationElement(homeEye, homeCentre) +
            "<Window title=\"KELVOview 1.02\" x=\"0\" y=\"0\" width=\"800\" height=\"600\" numSamples=\"0\"/>\n");
    }

    void hold(const std::string& key, int milliseconds)
    {
        session.viewer().keyDown(key);
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        session.viewer().keyUp(key);
    }

    // A screenshot once the smoothed motion has died away: two in a row that agree.
    osg::ref_ptr<osg::Image> settledView()
    {
        osg::ref_ptr<osg::Image> last = session.shot();
        for (int i = 0; i < 20 && last.valid(); ++i) {
            osg::ref_ptr<osg::Image> next = session.shot();
            if (!next.valid())
                break;
            if (difference(*last, *next) < 0.001f)
                return next;
            last = next;
        }
        ADD_FAILURE() << "the view did not come to rest";
        return last;
    }

    ViewerSession session{1280, 1024, false, false};
};

} // namespace

TEST_F(DesktopSession, LayersAlternativesHomeViewAndSaveAcrossTwoStarts)
{
    ASSERT_TRUE(session.start("KELVOview 1.02"));
    ViewerProcess& viewer = session.viewer();
    const std::string log = viewer.output();
    EXPECT_NE(std::string::npos, log.find("KELVOview 1.02\n"));
    EXPECT_NE(std::string::npos, log.find("Loaded configuration file successfully"));
    for (const char* line : {"Laddar Cow\n", "Laddar Truck\n", "Laddar Cessna\n", "Laddar Gone\n",
                             "Adding new layer Layer 0\n", "Adding new layer Layer 2\n",
                             "Unable to load model ../Content/Models/Gone.ive\n",
                             "Unsupported file dropped ../Content/Models/notes.txt\n"})
        EXPECT_NE(std::string::npos, log.find(line)) << line << "\n" << log;
    EXPECT_EQ(std::string::npos, log.find("Adding new layer Layer 3")) << "a failed model makes no layer";

    // The help panel shows at start; F1 hides it so that the scene is seen whole.
    viewer.key("F1");

    // With both layers off the view shows only what is not a model.
    viewer.key("1 2");
    osg::ref_ptr<osg::Image> empty = session.shot();
    ASSERT_TRUE(empty.valid());
    viewer.key("1 2");

    // Left of the centre: the cow (layer 1). Right of it: the truck or the cessna (layer 2).
    auto left = [&](const osg::Image& i) { return coverage(i, *empty, 60, 120, w / 2 - 20, h - 120); };
    auto right = [&](const osg::Image& i) { return coverage(i, *empty, w / 2 + 20, 120, w - 60, h - 120); };

    osg::ref_ptr<osg::Image> start = session.shot();
    ASSERT_TRUE(start.valid());
    ASSERT_EQ(w, start->s());
    EXPECT_GT(left(*start), 0.01f);
    EXPECT_GT(right(*start), 0.01f);

    viewer.key("1");
    osg::ref_ptr<osg::Image> cowOff = session.shot();
    ASSERT_TRUE(cowOff.valid());
    EXPECT_LT(left(*cowOff), 0.002f) << "layer 1 switched off";
    EXPECT_LT(Screenshot::difference(*start, *cowOff, w / 2 + 20, 120, w - 60, h - 120), 0.01f) << "layer 2 untouched";

    viewer.key("1");
    osg::ref_ptr<osg::Image> cowOn = session.shot();
    ASSERT_TRUE(cowOn.valid());
    EXPECT_LT(Screenshot::difference(*start, *cowOn, 60, 120, w - 60, h - 120), 0.01f) << "layer 1 back on";

    // A person releases the digit while Alt is still held ("xdotool key alt+2" would not).
    viewer.keyDown("Alt_L");
    viewer.key("2");
    viewer.keyUp("Alt_L");
    osg::ref_ptr<osg::Image> cessna = session.shot();
    ASSERT_TRUE(cessna.valid());
    EXPECT_GT(right(*cessna), 0.005f) << "an alternative is shown";
    EXPECT_GT(Screenshot::difference(*start, *cessna, w / 2 + 20, 120, w - 60, h - 120), 0.01f) << "cessna, not truck";
    EXPECT_LT(Screenshot::difference(*start, *cessna, 60, 120, w / 2 - 20, h - 120), 0.01f);

    viewer.keyDown("Control_L");
    viewer.key("2");
    viewer.keyUp("Control_L");
    osg::ref_ptr<osg::Image> truckAgain = session.shot();
    ASSERT_TRUE(truckAgain.valid());
    EXPECT_LT(Screenshot::difference(*start, *truckAgain, 60, 120, w - 60, h - 120), 0.01f) << "cycled back to the truck";

    viewer.key("2");
    osg::ref_ptr<osg::Image> layerOff = session.shot();
    ASSERT_TRUE(layerOff.valid());
    EXPECT_LT(right(*layerOff), 0.002f);
    viewer.key("2");

    // F3 writes the scene as configured, without the model that failed, and the unmoved home.
    const std::string saved = session.save();
    const std::regex models("<Model name=\"Cow\" filename=\"../Content/Models/Cow.ive\" layerNum=\"1\" visible=\"1\"/>\\s*"
                            "<Model name=\"Truck\" filename=\"../Content/Models/Truck.ive\" layerNum=\"2\" visible=\"1\"/>\\s*"
                            "<Model name=\"Cessna\" filename=\"../Content/Models/Cessna.ive\" layerNum=\"2\" visible=\"0\"/>\\s*"
                            "</Scene>");
    EXPECT_TRUE(std::regex_search(saved, models)) << saved;
    EXPECT_EQ(std::string::npos, saved.find("Gone")) << saved;
    const std::map<std::string, double> configured = navigationAttributes(saved);
    ASSERT_EQ(configured.size(), 6u) << saved;
    EXPECT_LT((point(configured, "homeEye") - homeEye).length(), 1e-3) << saved;
    EXPECT_TRUE(std::regex_search(saved, std::regex("<Window title=\"KELVOview 1.02\" x=\"0\" y=\"0\" "
                                                    "width=\"800\" height=\"600\" maximized=\"0\" "
                                                    "fullscreen=\"0\" screenNum=\"0\" numSamples=\"0\" "
                                                    "stereo=\"0\"/>")))
        << saved;

    // Flown away with real keys, Space brings the home view back.
    osg::ref_ptr<osg::Image> home = settledView();
    ASSERT_TRUE(home.valid());
    hold("j", 400);
    hold("w", 800);
    osg::ref_ptr<osg::Image> away = settledView();
    ASSERT_TRUE(away.valid());
    EXPECT_GT(difference(*home, *away), 0.02f);
    viewer.key("space");
    osg::ref_ptr<osg::Image> back = settledView();
    ASSERT_TRUE(back.valid());
    EXPECT_LT(difference(*home, *back), 0.003f);

    // F3 makes the current view the next home: moved, as far ahead as before, pitched down with K.
    hold("l", 100);
    hold("k", 80);
    hold("w", 600);
    osg::ref_ptr<osg::Image> newHome = settledView();
    ASSERT_TRUE(newHome.valid());
    EXPECT_GT(difference(*home, *newHome), 0.02f);
    const std::map<std::string, double> written = navigationAttributes(session.save());
    ASSERT_EQ(written.size(), 6u);
    EXPECT_GT((point(written, "homeEye") - homeEye).length(), 0.5);
    EXPECT_NEAR((point(written, "homeCenter") - point(written, "homeEye")).length(), (homeCentre - homeEye).length(),
                1e-3);
    EXPECT_LT(written.at("homeCenterZ") - written.at("homeEyeZ"), homeCentre.z() - homeEye.z());
    ASSERT_TRUE(session.stop());
    session.keepOnFailure(*newHome, "desktop-new-home");

    // The next start opens on that home; saved again without moving, it writes the same home.
    ASSERT_TRUE(session.start("KELVOview 1.02"));
    session.viewer().key("F1");
    osg::ref_ptr<osg::Image> restarted = settledView();
    ASSERT_TRUE(restarted.valid());
    EXPECT_LT(difference(*newHome, *restarted), 0.005f);
    const std::map<std::string, double> again = navigationAttributes(session.save());
    ASSERT_EQ(again.size(), 6u);
    for (const auto& entry : written)
        EXPECT_NEAR(again.at(entry.first), entry.second, 1e-3) << entry.first;
    EXPECT_TRUE(session.stop());
}
