// The configuration writer under injected faults: a failed save keeps the old file and leaves no
// temporary; temporaries of killed saves go with the next save.

#include "config/AtomicFileWriter.h"

#include "FaultTestDirectory.h"
#include "RuntimeTree.h"
#include "SampleConfiguration.h"
#include "ScratchMount.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using kelvotest::FaultTestDirectory;
using kelvotest::RuntimeTree;
using kelvotest::ScratchMount;
using osgKELVO::AtomicFileWriter;

namespace {

class WriterFault : public ::testing::TestWithParam<std::string>
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(directory.path().empty());
        fs::create_directory(folder);
    }
    void TearDown() override
    {
        lift();
        mount.reset();
    }

    // Puts the old file in place under the fault; the reason when the fault cannot be had here.
    std::string impose(const std::string& fault)
    {
        std::string error;
        if (fault == "FullFileSystem" || fault == "ReadOnlyFileSystem") {
            const unsigned long size = fault == "FullFileSystem" ? 64 * 1024 : 256 * 1024;
            mount = ScratchMount::tmpfs(folder, size, error);
            if (!mount)
                return error;
        }
        RuntimeTree::writeFile(target, oldContents);
        if (fault == "FullFileSystem")
            return ScratchMount::fill(folder + "/filler") > 0 ? "" : "the file system did not fill";
        if (fault == "ReadOnlyFileSystem")
            return mount->setReadOnly(true, error) ? "" : error;
        if (fault == "FileSizeLimit") {
            // write() then fails with EFBIG instead of the process being signalled.
            ::getrlimit(RLIMIT_FSIZE, &previousLimit);
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limited = previousLimit;
            limited.rlim_cur = 2048;
            sizeLimited = ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
            return sizeLimited ? "" : "the file-size limit could not be lowered";
        }
        if (::geteuid() == 0)
            return "root writes into read-only directories";
        ::chmod(folder.c_str(), 0555);
        return "";
    }

    void lift()
    {
        std::string error;
        std::error_code ignored;
        fs::remove(folder + "/filler", ignored);
        if (mount && !mount->setReadOnly(false, error))
            ADD_FAILURE() << error;
        if (sizeLimited) {
            ::setrlimit(RLIMIT_FSIZE, &previousLimit);
            std::signal(SIGXFSZ, SIG_DFL);
            sizeLimited = false;
        }
        ::chmod(folder.c_str(), 0755);
    }

    FaultTestDirectory directory;
    const std::string folder = directory.path() + "/Resources";
    const std::string target = folder + "/Configuration.xml";
    const std::string oldContents = kelvotest::sampleConfiguration(0, 40);
    const std::string newContents = kelvotest::sampleConfiguration(1, 40);
    std::unique_ptr<ScratchMount> mount;
    rlimit previousLimit{};
    bool sizeLimited = false;
};

} // namespace

TEST_P(WriterFault, KeepsTheOldFileAndSavesOnceTheFaultIsGone)
{
    ASSERT_GT(newContents.size(), 2048u) << "larger than the file-size limit";
    const std::string reason = impose(GetParam());
    if (!reason.empty())
        GTEST_SKIP() << reason;

    EXPECT_FALSE(AtomicFileWriter::write(target, newContents));
    EXPECT_EQ(oldContents, RuntimeTree::readFile(target));
    EXPECT_TRUE(FaultTestDirectory::temporaries(folder).empty());

    lift();
    EXPECT_TRUE(AtomicFileWriter::write(target, newContents));
    EXPECT_EQ(newContents, RuntimeTree::readFile(target));
    EXPECT_TRUE(FaultTestDirectory::temporaries(folder).empty());
}

INSTANTIATE_TEST_SUITE_P(Save, WriterFault,
                         ::testing::Values("FullFileSystem", "ReadOnlyFileSystem",
                                           "FileSizeLimit", "ReadOnlyDirectory"),
                         [](const auto& info) { return info.param; });

// Leftovers of killed saves go, first, so that one filling the disk leaves room; a temporary still
// locked by a save in progress, other files' temporaries and names that only look alike stay. The
// file keeps its permissions.
TEST_F(WriterFault, TheNextSaveRemovesOnlyTheLeftoversOfKilledSaves)
{
    std::string error;
    mount = ScratchMount::tmpfs(folder, 64 * 1024, error);
    const std::vector<std::string> leftovers = {".Configuration.xml.a1B2c3", ".Configuration.xml.000000"};
    const std::vector<std::string> others = {
        ".Configuration.xml.bak", ".Configuration.xml.1234567", ".Configuration.xml.ab-d_f",
        "Configuration.xml.abcdef", ".Other.xml.abcdef", ".Configuration.xmlXabcdef"};
    for (const std::string& name : leftovers)
        RuntimeTree::writeFile(folder + "/" + name, "<Scene loadInfo");
    for (const std::string& name : others)
        RuntimeTree::writeFile(folder + "/" + name, name);
    fs::create_directory(folder + "/.Configuration.xml.Folder");
    const std::string busy = folder + "/.Configuration.xml.Busy42";
    RuntimeTree::writeFile(busy, "<Scene/");
    const int fd = ::open(busy.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(0, ::flock(fd, LOCK_EX));

    RuntimeTree::writeFile(target, "old");
    ::chmod(target.c_str(), 0600);
    if (mount) {
        ASSERT_GT(ScratchMount::fill(folder + "/" + leftovers[1]), 0u);
    }
    EXPECT_TRUE(AtomicFileWriter::write(target, "<Window/>\n"));
    EXPECT_EQ("<Window/>\n", RuntimeTree::readFile(target));
    struct stat info;
    ASSERT_EQ(0, ::stat(target.c_str(), &info));
    EXPECT_EQ(0600u, info.st_mode & 0777u);
    for (const std::string& name : leftovers)
        EXPECT_FALSE(fs::exists(folder + "/" + name)) << name;
    for (const std::string& name : others)
        EXPECT_EQ(name, RuntimeTree::readFile(folder + "/" + name)) << name;
    EXPECT_TRUE(fs::is_directory(folder + "/.Configuration.xml.Folder"));
    EXPECT_EQ("<Scene/", RuntimeTree::readFile(busy));

    // Once that writer is gone its file counts as abandoned.
    ::close(fd);
    EXPECT_TRUE(AtomicFileWriter::write(target, "<Overlay/>\n"));
    EXPECT_FALSE(fs::exists(busy));
    EXPECT_TRUE(AtomicFileWriter::write(folder + "/Other.xml", "other"));
    EXPECT_FALSE(fs::exists(folder + "/.Other.xml.abcdef"));
    EXPECT_FALSE(AtomicFileWriter::write(folder + "/absent/Other.xml", "other")) << "no directory";
}
