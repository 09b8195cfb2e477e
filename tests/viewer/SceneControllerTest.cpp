// The scene's layers switched with modified digit keys, and the paths stored for the models added
// to them. The viewer's own sessions show plain digits, drops and the stored paths loading again.

#include "runtime/ProgramRoot.h"
#include "scene/SceneController.h"

#include <gtest/gtest.h>
#include <osgViewer/View>

using osgKELVO::ProgramRoot;
using osgKELVO::SceneController;

namespace {

const std::string sampleData = std::string(KELVO_TESTDATA_DIR) + "/osg-sample-data/";

class SceneControllerTest : public ::testing::Test
{
protected:
    std::vector<bool> values(unsigned layer) const
    {
        std::vector<bool> result;
        osg::Switch* s = controller->getLayer(layer);
        for (unsigned i = 0; s && i < s->getNumChildren(); ++i)
            result.push_back(s->getValue(i));
        return result;
    }

    // X reports Ctrl+digit as key 0 and Shift+digit as a symbol; the unmodified key is the digit.
    void release(int digit, int modifiers, int reportedKey = -1)
    {
        osg::ref_ptr<osgGA::GUIEventAdapter> event = new osgGA::GUIEventAdapter;
        event->setEventType(osgGA::GUIEventAdapter::KEYUP);
        event->setKey(reportedKey < 0 ? digit : reportedKey);
        event->setUnmodifiedKey(digit);
        event->setModKeyMask(modifiers);
        controller->handle(*event, *view);
    }

    osg::ref_ptr<osg::Group> scene = new osg::Group;
    osg::ref_ptr<SceneController> controller = new SceneController(scene);
    osg::ref_ptr<osgViewer::View> view = new osgViewer::View;
};

} // namespace

// Any modifier shows the next alternative: the one after the lowest one on, wrapping round.
TEST_F(SceneControllerTest, ModifiedDigitCyclesAlternativesAndWraps)
{
    controller->addModel("A", sampleData + "cow.osg", 3, true);
    controller->addModel("B", sampleData + "glider.osg", 3, true);
    controller->addModel("C", sampleData + "cessna.osg", 3, false);
    release('3', osgGA::GUIEventAdapter::MODKEY_ALT);
    EXPECT_EQ((std::vector<bool>{false, true, false}), values(3));
    release('3', osgGA::GUIEventAdapter::MODKEY_CTRL, 0);
    EXPECT_EQ((std::vector<bool>{false, false, true}), values(3));
    release('3', osgGA::GUIEventAdapter::MODKEY_LEFT_SHIFT, '#');
    EXPECT_EQ((std::vector<bool>{true, false, false}), values(3));
    controller->toggleLayer(3);
    controller->showNextAlternative(3);
    EXPECT_EQ((std::vector<bool>{true, false, false}), values(3)) << "all off shows the first";
}

// Files inside the program's tree are stored relative to Bin, so that they load again from there
// at the next start; other files keep their path.
TEST(ProgramRoot, IsTheDirectoryAboveTheLastBinComponentAndHoldsTheStoredPaths)
{
    const std::pair<const char*, const char*> roots[] = {
        {"/opt/tool/Bin", "/opt/tool/"}, {"/opt/Bin/tool/Bin", "/opt/Bin/tool/"}, {"/opt/tool/Bin/sub", "/opt/tool/"},
        {"/Bin", "/"}, {"/home/Binh/tool", ""}, {"/home/user/Binaries", ""}, {"/home/user/bin", ""},
        {"/home/Binh/Bin", "/home/Binh/"}};
    for (const auto& root : roots)
        EXPECT_EQ(root.second, ProgramRoot::of(root.first)) << root.first;
    const char* stored[][3] = {
        {"/opt/tool/Content/a.ive", "/opt/tool/Bin", "../Content/a.ive"},
        {"/opt/tool/a.ive", "/opt/tool/Bin", "../a.ive"},
        {"/home/Binh/Content/x y/\xc3\xb6.osg", "/home/Binh/Bin", "../Content/x y/\xc3\xb6.osg"},
        {"/srv/models/a.ive", "/opt/tool/Bin", "/srv/models/a.ive"},
        {"/opt/toolbox/a.ive", "/opt/tool/Bin", "/opt/toolbox/a.ive"},
        {"../Content/a.ive", "/opt/tool/Bin", "../Content/a.ive"},
        {"/home/Binh/a.ive", "/home/Binh/tool", "/home/Binh/a.ive"}};
    for (const auto& path : stored)
        EXPECT_EQ(path[2], ProgramRoot::storedPath(path[0], path[1])) << path[0] << " from " << path[1];
}
