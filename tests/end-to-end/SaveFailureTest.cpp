// The real KELVOview pressed F3 while its Resources directory cannot take the new configuration:
// the file system is full, mounted read-only, or the process may not write files that large. The
// old file stays byte for byte, the viewer warns and keeps running (screenshots, a later save once
// the fault is gone, Escape).

#include "FaultTestDirectory.h"
#include "RuntimeTree.h"
#include "Screenshot.h"
#include "ScratchMount.h"
#include "ViewerProcess.h"
#include "XvfbServer.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <thread>

namespace fs = std::filesystem;
using namespace kelvotest;

namespace {

const char* const warning = "Could not save configuration file to \"../Resources/Configuration.xml\"\n";

// Written by hand, so that whatever the viewer writes differs from it.
std::string handWrittenConfiguration(const std::string& title = "KELVOview faults")
{
    return "<!-- kept as it is unless a save succeeds -->\n"
           "<Scene loadInfoPoints=\"0\" generatePowerline=\"0\"/>\n"
           "<Environment backgroundColorRed=\"0.1\" backgroundColorGreen=\"0.5\" backgroundColorBlue=\"0.2\"/>\n"
           "<Navigation homeEyeX=\"0\" homeEyeY=\"-40\" homeEyeZ=\"5\" homeCenterX=\"0\" homeCenterY=\"0\" homeCenterZ=\"5\"/>\n"
           "<Window title=\"" + title + "\" x=\"0\" y=\"0\" width=\"640\" height=\"480\" numSamples=\"0\"/>\n";
}

unsigned occurrences(const std::string& text, const std::string& part)
{
    unsigned count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

class SaveFailure : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(server.running()); }
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
    void expectFailedSave(ViewerProcess& viewer, unsigned earlierWarnings = 0)
    {
        const std::vector<std::string> before = FaultTestDirectory::entries(resources);
        viewer.key("F3");
        for (int i = 0; i < 100 && occurrences(viewer.output(), warning) == earlierWarnings; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_EQ(earlierWarnings + 1, occurrences(viewer.output(), warning)) << viewer.output();
        EXPECT_EQ(oldContents, tree.readConfiguration());
        EXPECT_EQ(before, FaultTestDirectory::entries(resources)) << "a temporary file was left";
        EXPECT_TRUE(viewer.alive()) << viewer.output();
    }

    // Once the fault is gone the same viewer saves: the fault, nothing else, failed the save.
    void expectSaveAfterRepair(ViewerProcess& viewer)
    {
        viewer.key("F3");
        for (int i = 0; i < 50 && tree.readConfiguration() == oldContents; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const std::string saved = tree.readConfiguration();
        EXPECT_NE(oldContents, saved);
        tinyxml2::XMLDocument document;
        ASSERT_EQ(tinyxml2::XML_SUCCESS, document.Parse(saved.c_str(), saved.size())) << saved;
        const tinyxml2::XMLElement* window = document.FirstChildElement("Window");
        ASSERT_NE(nullptr, window) << saved;
        EXPECT_EQ(640, window->IntAttribute("width"));
        EXPECT_TRUE(FaultTestDirectory::temporaries(resources).empty());
    }

    void expectScreenshotAndNormalExit(ViewerProcess& viewer)
    {
        osg::ref_ptr<osg::Image> shot = Screenshot::capture(tree, viewer);
        ASSERT_TRUE(shot.valid()) << viewer.output();
        EXPECT_EQ(640, shot->s());
        EXPECT_EQ(480, shot->t());
        viewer.key("Escape");
        EXPECT_EQ(0, viewer.waitForExit()) << viewer.output();
    }

    XvfbServer server;
    RuntimeTree tree{false};
    const std::string resources = tree.root() + "/Resources";
    std::string oldContents = handWrittenConfiguration();
    std::unique_ptr<ScratchMount> mount;
    std::string skipReason;
    const std::map<std::string, std::string> warnings = {{"OSG_NOTIFY_LEVEL", "WARN"}};
};

} // namespace

TEST_F(SaveFailure, FullDiskKeepsTheOldConfiguration)
{
    if (!resourcesOnTmpfs(64 * 1024))
        GTEST_SKIP() << skipReason;
    ASSERT_GT(ScratchMount::fill(resources + "/filler"), 0u);

    ViewerProcess viewer(tree, server.display(), warnings);
    ASSERT_FALSE(viewer.waitForWindow("KELVOview faults").empty()) << viewer.output();
    expectFailedSave(viewer);
    expectFailedSave(viewer, 1);

    fs::remove(resources + "/filler");
    expectSaveAfterRepair(viewer);
    expectScreenshotAndNormalExit(viewer);
}

TEST_F(SaveFailure, ReadOnlyFileSystemKeepsTheOldConfiguration)
{
    if (!resourcesOnTmpfs(1024 * 1024))
        GTEST_SKIP() << skipReason;
    ASSERT_TRUE(mount->setReadOnly(true, skipReason)) << skipReason;

    ViewerProcess viewer(tree, server.display(), warnings);
    ASSERT_FALSE(viewer.waitForWindow("KELVOview faults").empty()) << viewer.output();
    expectFailedSave(viewer);

    ASSERT_TRUE(mount->setReadOnly(false, skipReason)) << skipReason;
    expectSaveAfterRepair(viewer);
    expectScreenshotAndNormalExit(viewer);
}

TEST_F(SaveFailure, ReadOnlyBindMountKeepsTheOldConfiguration)
{
    tree.writeConfiguration(oldContents);
    mount = ScratchMount::readOnlyBind(resources, skipReason);
    if (!mount)
        GTEST_SKIP() << skipReason;

    ViewerProcess viewer(tree, server.display(), warnings);
    ASSERT_FALSE(viewer.waitForWindow("KELVOview faults").empty()) << viewer.output();
    expectFailedSave(viewer);

    mount->unmount();
    expectSaveAfterRepair(viewer);
    expectScreenshotAndNormalExit(viewer);
}

TEST_F(SaveFailure, FileSizeLimitKeepsTheOldConfiguration)
{
    // A title long enough that the new file passes the limit; the log, with warnings only, stays
    // far below it.
    const rlim_t limit = 3000;
    oldContents = handWrittenConfiguration("KELVOview faults " + std::string(4000, 'x'));
    tree.writeConfiguration(oldContents);

    // The viewer inherits the limit, and SIGXFSZ ignored, so its write() fails with EFBIG.
    rlimit previous{};
    ASSERT_EQ(0, ::getrlimit(RLIMIT_FSIZE, &previous));
    rlimit limited = previous;
    limited.rlim_cur = limit;
    void (*previousHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(0, ::setrlimit(RLIMIT_FSIZE, &limited));
    ViewerProcess viewer(tree, server.display(), {{"OSG_NOTIFY_LEVEL", "WARN"}, {"MESA_SHADER_CACHE_DISABLE", "true"}});
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    ASSERT_FALSE(viewer.waitForWindow("KELVOview faults").empty()) << viewer.output();
    expectFailedSave(viewer);
    expectFailedSave(viewer, 1);
    ASSERT_LT(viewer.output().size(), limit) << "the log reached the limit; the checks above mean nothing";
    viewer.key("Escape");
    EXPECT_EQ(0, viewer.waitForExit()) << viewer.output();
}
