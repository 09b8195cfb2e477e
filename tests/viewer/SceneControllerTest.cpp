#include "desktop/DroppedFilesEvent.h"
#include "scene/SceneController.h"

#include "NotifyCapture.h"
#include "RuntimeTree.h"

#include <gtest/gtest.h>
#include <osgDB/AuthenticationMap>
#include <osgDB/FileUtils>
#include <osgDB/Registry>
#include <osgGA/EventQueue>
#include <osgViewer/View>

#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;
using osgKELVO::SceneController;
using kelvotest::NotifyCapture;

namespace {

const std::string sampleData = std::string(KELVO_TESTDATA_DIR) + "/osg-sample-data/";

// Runs a test body with the working directory set to a tree's Bin, restoring it afterwards.
class WorkingDirectory
{
public:
    explicit WorkingDirectory(const std::string& directory) : previous(fs::current_path())
    {
        fs::current_path(directory);
    }
    ~WorkingDirectory() { fs::current_path(previous); }

private:
    fs::path previous;
};

class SceneControllerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        scene = new osg::Group;
        controller = new SceneController(scene);
    }

    std::vector<bool> values(unsigned layer) const
    {
        std::vector<bool> result;
        osg::Switch* s = controller->getLayer(layer);
        for (unsigned i = 0; s && i < s->getNumChildren(); ++i)
            result.push_back(s->getValue(i));
        return result;
    }

    // X reports Ctrl+digit as key 0 and Shift+digit as a symbol; the unmodified key is the digit.
    void releaseDigit(int key, int modifiers, int reportedKey = -1)
    {
        osg::ref_ptr<osgGA::GUIEventAdapter> event = new osgGA::GUIEventAdapter;
        event->setEventType(osgGA::GUIEventAdapter::KEYUP);
        event->setKey(reportedKey < 0 ? key : reportedKey);
        event->setUnmodifiedKey(key);
        event->setModKeyMask(modifiers);
        osg::ref_ptr<osgViewer::View> view = new osgViewer::View;
        controller->handle(*event, *view);
    }

    osg::ref_ptr<osg::Group> scene;
    osg::ref_ptr<SceneController> controller;
};

} // namespace

TEST_F(SceneControllerTest, FirstModelInLayerThreeCreatesEmptyLayersBelowIt)
{
    NotifyCapture notes;
    controller->addModel("Cow", sampleData + "cow.osg", 3, true);
    ASSERT_EQ(4u, controller->getNumLayers());
    ASSERT_EQ(4u, scene->getNumChildren());
    for (unsigned n = 0; n < 4; ++n) {
        EXPECT_EQ("Layer " + std::to_string(n), controller->getLayer(n)->getName());
        EXPECT_EQ(scene->getChild(n), controller->getLayer(n));
        EXPECT_EQ(n == 3 ? 1u : 0u, controller->getLayer(n)->getNumChildren());
        EXPECT_TRUE(notes.has(osg::INFO, "Adding new layer Layer " + std::to_string(n)));
    }
    EXPECT_TRUE(notes.has(osg::NOTICE, "Laddar Cow"));

    releaseDigit('1', 0);
    releaseDigit('2', 0);
    EXPECT_TRUE(values(1).empty());
    EXPECT_EQ(std::vector<bool>{true}, values(3));

    controller->addModel("Glider", sampleData + "glider.osg", 1, false);
    EXPECT_EQ(4u, controller->getNumLayers()) << "an existing layer is reused";
    EXPECT_EQ(std::vector<bool>{false}, values(1));
}

TEST_F(SceneControllerTest, DigitTogglesAllOffThenAllOn)
{
    controller->addModel("A", sampleData + "cow.osg", 3, true);
    controller->addModel("B", sampleData + "glider.osg", 3, false);
    releaseDigit('3', 0);
    EXPECT_EQ((std::vector<bool>{false, false}), values(3));
    releaseDigit('3', 0);
    EXPECT_EQ((std::vector<bool>{true, true}), values(3));
}

TEST_F(SceneControllerTest, ModifiedDigitCyclesAlternativesAndWraps)
{
    controller->addModel("A", sampleData + "cow.osg", 3, true);
    controller->addModel("B", sampleData + "glider.osg", 3, true);
    controller->addModel("C", sampleData + "cessna.osg", 3, false);

    releaseDigit('3', osgGA::GUIEventAdapter::MODKEY_ALT);
    EXPECT_EQ((std::vector<bool>{false, true, false}), values(3)) << "child 0 was the lowest one on";
    releaseDigit('3', osgGA::GUIEventAdapter::MODKEY_CTRL, 0);
    EXPECT_EQ((std::vector<bool>{false, false, true}), values(3)) << "any modifier cycles";
    releaseDigit('3', osgGA::GUIEventAdapter::MODKEY_LEFT_SHIFT, '#');
    EXPECT_EQ((std::vector<bool>{true, false, false}), values(3)) << "wraps to the first";

    controller->toggleLayer(3);
    controller->showNextAlternative(3);
    EXPECT_EQ((std::vector<bool>{true, false, false}), values(3)) << "all off shows child 0";
}

TEST_F(SceneControllerTest, LayerZeroAndMissingLayersOnDigits)
{
    controller->addModel("A", sampleData + "cow.osg", 0, true);
    releaseDigit('0', 0);
    EXPECT_EQ(std::vector<bool>{false}, values(0));
    releaseDigit('9', 0);
    releaseDigit('9', osgGA::GUIEventAdapter::MODKEY_ALT);
    EXPECT_EQ(1u, controller->getNumLayers());

    osg::ref_ptr<osgGA::GUIEventAdapter> press = new osgGA::GUIEventAdapter;
    press->setEventType(osgGA::GUIEventAdapter::KEYDOWN);
    press->setKey('0');
    osg::ref_ptr<osgViewer::View> view = new osgViewer::View;
    controller->handle(*press, *view);
    EXPECT_EQ(std::vector<bool>{false}, values(0)) << "layers switch on release only";
}

TEST_F(SceneControllerTest, AlternativeOnAnEmptyLayerShowsNothing)
{
    controller->addModel("A", sampleData + "cow.osg", 2, true);
    controller->showNextAlternative(0);
    EXPECT_EQ(0u, controller->getLayer(0)->getNumChildren());
    controller->toggleLayer(0);
    EXPECT_EQ(0u, controller->getLayer(0)->getNumChildren());
}

TEST_F(SceneControllerTest, ExtensionsAreCheckedCaseInsensitively)
{
    NotifyCapture notes;
    kelvotest::RuntimeTree tree(false);
    const std::string upper = tree.root() + "/Content/model.OSG";
    fs::copy(sampleData + "cow.osg", upper);
    controller->addModel("model", upper, 0, true);
    EXPECT_EQ(1u, controller->getNumModels());

    const std::string obj = tree.root() + "/Content/model.obj";
    kelvotest::RuntimeTree::writeFile(obj, "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    controller->addModel("model", obj, 0, true);
    EXPECT_TRUE(notes.has(osg::WARN, "Unsupported file dropped " + obj));
    EXPECT_FALSE(notes.hasText("Laddar model\nLaddar"));
    EXPECT_EQ(1u, controller->getNumModels());
    EXPECT_EQ(1u, controller->getLayer(0)->getNumChildren());
}

TEST_F(SceneControllerTest, UnreadableFilesLeaveNoRecordAndNoLayer)
{
    NotifyCapture notes;
    kelvotest::RuntimeTree tree(false);
    const std::string empty = tree.root() + "/Content/empty.ive";
    kelvotest::RuntimeTree::writeFile(empty, "");
    WorkingDirectory cwd(tree.bin());
    controller->addModel("Missing", tree.root() + "/Content/missing.osg", 2, true);
    controller->addModel("Empty", empty, 5, true);
    EXPECT_TRUE(notes.has(osg::NOTICE, "Laddar Missing"));
    EXPECT_TRUE(notes.has(osg::WARN, "Unable to load model ../Content/missing.osg"));
    EXPECT_TRUE(notes.has(osg::WARN, "Unable to load model ../Content/empty.ive"));
    EXPECT_EQ(0u, controller->getNumModels());
    EXPECT_EQ(0u, controller->getNumLayers());
    EXPECT_EQ(0u, scene->getNumChildren());
}

TEST_F(SceneControllerTest, DroppedFilesGoToLayerZeroInListOrderWithStoredPaths)
{
    NotifyCapture notes;
    kelvotest::RuntimeTree tree(false);
    tree.copyInto(sampleData + "cow.osg", "Content/drop one/Cow.osg");
    tree.copyInto(sampleData + "Images", "Content/drop one/Images");
    WorkingDirectory cwd(tree.bin());

    const std::string inside = tree.root() + "/Content/drop one/Cow.osg";
    const std::string outside = sampleData + "glider.osg";
    osg::ref_ptr<osgGA::EventQueue> queue = new osgGA::EventQueue;
    osgKELVO::DroppedFilesEvent::post(*queue, {inside, outside});
    osgGA::EventQueue::Events events;
    queue->takeEvents(events);
    ASSERT_EQ(1u, events.size());
    osg::ref_ptr<osgViewer::View> view = new osgViewer::View;
    EXPECT_FALSE(controller->handle(*events.front()->asGUIEventAdapter(), *view));

    ASSERT_EQ(2u, controller->getNumModels());
    const osgKELVO::ModelRecord& cow = controller->getModelRecord(0);
    EXPECT_EQ("Cow", cow.name);
    EXPECT_EQ("../Content/drop one/Cow.osg", cow.filename);
    EXPECT_EQ(0, cow.layerNum);
    EXPECT_TRUE(cow.visible);
    EXPECT_EQ("glider", controller->getModelRecord(1).name);
    EXPECT_EQ(outside, controller->getModelRecord(1).filename);
    EXPECT_EQ((std::vector<bool>{true, true}), values(0));
    EXPECT_TRUE(notes.has(osg::NOTICE, "Laddar Cow"));
    EXPECT_TRUE(notes.has(osg::NOTICE, "Laddar glider"));

    // The stored path loads again from Bin, as it will at the next start.
    EXPECT_TRUE(osgDB::fileExists(cow.filename));
}

TEST_F(SceneControllerTest, FirstEventRegistersTheArchivePasswordOnce)
{
    osgDB::Registry* registry = osgDB::Registry::instance();
    osg::ref_ptr<osgDB::AuthenticationMap> saved = registry->getAuthenticationMap();
    registry->setAuthenticationMap(nullptr);

    osg::ref_ptr<osgGA::GUIEventAdapter> frame = new osgGA::GUIEventAdapter;
    frame->setEventType(osgGA::GUIEventAdapter::FRAME);
    osg::ref_ptr<osgViewer::View> view = new osgViewer::View;
    EXPECT_FALSE(controller->isInitialized());
    EXPECT_FALSE(controller->handle(*frame, *view));
    EXPECT_TRUE(controller->isInitialized());
    ASSERT_NE(nullptr, registry->getAuthenticationMap());
    const osgDB::AuthenticationDetails* details =
        registry->getAuthenticationMap()->getAuthenticationDetails("ZipPlugin");
    ASSERT_NE(nullptr, details);
    EXPECT_EQ("", details->username);
    EXPECT_EQ("harbor42", details->password);
    EXPECT_EQ(osgDB::AuthenticationDetails::BASIC, details->httpAuthentication);

    // A map that already exists is left as it is.
    osg::ref_ptr<osgDB::AuthenticationMap> own = new osgDB::AuthenticationMap;
    registry->setAuthenticationMap(own);
    osg::ref_ptr<SceneController> second = new SceneController(new osg::Group);
    second->handle(*frame, *view);
    EXPECT_EQ(own.get(), registry->getAuthenticationMap());
    EXPECT_EQ(nullptr, own->getAuthenticationDetails("ZipPlugin"));

    registry->setAuthenticationMap(saved.get());
}
