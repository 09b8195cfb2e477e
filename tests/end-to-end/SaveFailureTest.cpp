// The real KELVOview pressed F3 while its Resources directory cannot take the new configuration:
// the file system is full, then mounted read-only. The old file stays byte for byte, the viewer
// warns and keeps running (a later save once the fault is gone, screenshots, Escape). The writer's
// other faults are tested in the viewer's own tests.

#include "FaultTestDirectory.h"
#include "ScratchMount.h"

#include "ViewerSession.h"

#include <tinyxml2.h>

#include <filesystem>

namespace fs = std::filesystem;
using namespace kelvotest;

namespace {

const char* const warning = "Could not save configuration file to \"../Resources/Configuration.xml\"\n";

// Written by hand, so that whatever the viewer writes differs from it.
std::string handWrittenConfiguration(const std::string& title)
{
    return "<!-- kept as it is unless a save succeeds -->\n" + sceneElement() +
           "<Environment backgroundColorRed=\"0.1\" backgroundColorGreen=\"0.5\" backgroundColorBlue=\"0.2\"/>\n" +
           navigationElement({0, -40, 5}, {0, 0, 5}) +
           "<Window title=\"" + title + "\" x=\"0\" y=\"0\" width=\"640\" height=\"480\" numSamples=\"0\"/>\n";
}

class SaveFailure : public ::testing::Test
{
protected:
    void TearDown() override { mount.reset(); }

    // Puts Resources/ on a tmpfs of its own holding only the configuration file; fonts, images and
    // ocean resources stay where they were and are reached through links.
    bool resourcesOnTmpfs(unsigned long bytes)
    {
        const fs::path files = fs::path(tree.root()) / "ResourceFiles";
        fs::rename(resources, files);
        fs::create_directory(resources);
        mount = ScratchMount::tmpfs(resources, bytes, skipReason);
        if (!mount)
            return false;
        for (const auto& entry : fs::directory_iterator(files))
            if (entry.path().filename() != "Configuration.xml")
                fs::create_directory_symlink(fs::path("../ResourceFiles") / entry.path().filename(),
                                             fs::path(resources) / entry.path().filename());
        tree.writeConfiguration(oldContents);
        return tree.readConfiguration() == oldContents;
    }

    // Each F3 while the fault lasts warns once and leaves the file and the directory as they were.
    ::testing::AssertionResult failedSave()
    {
        ViewerProcess& viewer = session.viewer();
        const unsigned earlier = occurrences(viewer.output(), warning);
        const std::vector<std::string> before = FaultTestDirectory::entries(resources);
        viewer.key("F3");
        if (!waitUntil([&] { return occurrences(viewer.output(), warning) > earlier; }))
            return ::testing::AssertionFailure() << "no warning:\n" << viewer.output();
        if (occurrences(viewer.output(), warning) != earlier + 1)
            return ::testing::AssertionFailure() << "more than one warning:\n" << viewer.output();
        if (tree.readConfiguration() != oldContents)
            return ::testing::AssertionFailure() << "the old file changed:\n" << tree.readConfiguration();
        if (FaultTestDirectory::entries(resources) != before)
            return ::testing::AssertionFailure() << "a temporary file was left";
        if (!viewer.alive())
            return ::testing::AssertionFailure() << "the viewer ended:\n" << viewer.output();
        return ::testing::AssertionSuccess();
    }

    // Once the fault is gone the same viewer saves: the fault, nothing else, failed the save.
    ::testing::AssertionResult saveAfterRepair()
    {
        const std::string saved = session.save();
        tinyxml2::XMLDocument document;
        if (saved.empty() || document.Parse(saved.c_str(), saved.size()) != tinyxml2::XML_SUCCESS)
            return ::testing::AssertionFailure() << "no saved file:\n" << saved;
        const tinyxml2::XMLElement* window = document.FirstChildElement("Window");
        if (!window || window->IntAttribute("width") != 640)
            return ::testing::AssertionFailure() << "not the viewer's window:\n" << saved;
        if (!FaultTestDirectory::temporaries(resources).empty())
            return ::testing::AssertionFailure() << "a temporary file was left";
        oldContents = saved;
        return ::testing::AssertionSuccess();
    }

    void expectScreenshotAndNormalExit()
    {
        osg::ref_ptr<osg::Image> shot = session.shot();
        ASSERT_TRUE(shot.valid());
        EXPECT_EQ(640, shot->s());
        EXPECT_EQ(480, shot->t());
        EXPECT_TRUE(session.stop());
    }

    ViewerSession session{1280, 1024, false, false};
    RuntimeTree& tree = session.tree();
    const std::string resources = tree.root() + "/Resources";
    std::string oldContents = handWrittenConfiguration("KELVOview faults");
    std::unique_ptr<ScratchMount> mount;
    std::string skipReason;
    const std::map<std::string, std::string> warnings = {{"OSG_NOTIFY_LEVEL", "WARN"}};
};

} // namespace

TEST_F(SaveFailure, FullThenReadOnlyFileSystemKeepsTheOldConfiguration)
{
    if (!resourcesOnTmpfs(64 * 1024))
        GTEST_SKIP() << skipReason;
    ASSERT_GT(ScratchMount::fill(resources + "/filler"), 0u);
    ASSERT_TRUE(session.start("KELVOview faults", warnings));
    EXPECT_TRUE(failedSave());
    EXPECT_TRUE(failedSave());
    fs::remove(resources + "/filler");
    ASSERT_TRUE(saveAfterRepair());

    ASSERT_TRUE(mount->setReadOnly(true, skipReason)) << skipReason;
    EXPECT_TRUE(failedSave());
    ASSERT_TRUE(mount->setReadOnly(false, skipReason)) << skipReason;
    EXPECT_TRUE(saveAfterRepair());
    expectScreenshotAndNormalExit();
}
