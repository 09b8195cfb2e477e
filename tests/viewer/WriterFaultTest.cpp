// The configuration writer on a file system that is full or read-only, and under a file-size limit:
// the save fails, the old file stays byte for byte, and no temporary file is left behind.

#include "config/AtomicFileWriter.h"

#include "FaultTestDirectory.h"
#include "RuntimeTree.h"
#include "SampleConfiguration.h"
#include "ScratchMount.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>

namespace fs = std::filesystem;
using kelvotest::FaultTestDirectory;
using kelvotest::RuntimeTree;
using kelvotest::sampleConfiguration;
using kelvotest::ScratchMount;
using osgKELVO::AtomicFileWriter;

namespace {

class WriterFault : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(directory.path().empty());
        fs::create_directory(mountPoint);
    }
    void TearDown() override { mount.reset(); }

    // Mounts a tmpfs of the given size on the mount point and puts the old file on it.
    bool mountWithOldFile(unsigned long bytes)
    {
        std::string error;
        mount = ScratchMount::tmpfs(mountPoint, bytes, error);
        if (!mount) {
            skipReason = error;
            return false;
        }
        RuntimeTree::writeFile(target, oldContents);
        return RuntimeTree::readFile(target) == oldContents;
    }

    FaultTestDirectory directory;
    const std::string mountPoint = directory.path() + "/Resources";
    const std::string target = mountPoint + "/Configuration.xml";
    const std::string oldContents = sampleConfiguration(0, 40);
    const std::string newContents = sampleConfiguration(1, 40);
    std::unique_ptr<ScratchMount> mount;
    std::string skipReason;
};

// Lowers the file-size limit of this process and ignores the signal that exceeding it raises, so
// that write() fails with EFBIG instead; restores both at the end of the scope.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = previous_;
        limited.rlim_cur = bytes;
        applied_ = ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool applied() const { return applied_; }

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = SIG_DFL;
    bool applied_ = false;
};

} // namespace

TEST_F(WriterFault, FullFileSystemKeepsTheOldFile)
{
    if (!mountWithOldFile(64 * 1024))
        GTEST_SKIP() << skipReason;
    ASSERT_GT(ScratchMount::fill(mountPoint + "/filler"), 0u);

    EXPECT_FALSE(AtomicFileWriter::write(target, newContents));
    EXPECT_EQ(oldContents, RuntimeTree::readFile(target));
    EXPECT_TRUE(FaultTestDirectory::temporaries(mountPoint).empty());

    // With the space back the same save goes through.
    fs::remove(mountPoint + "/filler");
    EXPECT_TRUE(AtomicFileWriter::write(target, newContents));
    EXPECT_EQ(newContents, RuntimeTree::readFile(target));
}

TEST_F(WriterFault, SpaceHeldByALeftoverOfAKilledSaveIsReclaimed)
{
    if (!mountWithOldFile(64 * 1024))
        GTEST_SKIP() << skipReason;
    // A save killed half-way left its temporary file, and it took the last free space.
    ASSERT_GT(ScratchMount::fill(mountPoint + "/.Configuration.xml.K1ll3d"), 0u);

    EXPECT_TRUE(AtomicFileWriter::write(target, newContents));
    EXPECT_EQ(newContents, RuntimeTree::readFile(target));
    EXPECT_EQ(std::vector<std::string>{"Configuration.xml"}, FaultTestDirectory::entries(mountPoint));
}

TEST_F(WriterFault, ReadOnlyFileSystemKeepsTheOldFile)
{
    if (!mountWithOldFile(256 * 1024))
        GTEST_SKIP() << skipReason;
    RuntimeTree::writeFile(mountPoint + "/.Configuration.xml.L3ft0v", "<Scene");
    std::string error;
    ASSERT_TRUE(mount->setReadOnly(true, error)) << error;

    EXPECT_FALSE(AtomicFileWriter::write(target, newContents));
    EXPECT_EQ(oldContents, RuntimeTree::readFile(target));
    EXPECT_EQ((std::vector<std::string>{".Configuration.xml.L3ft0v", "Configuration.xml"}),
              FaultTestDirectory::entries(mountPoint));

    ASSERT_TRUE(mount->setReadOnly(false, error)) << error;
    EXPECT_TRUE(AtomicFileWriter::write(target, newContents));
    EXPECT_EQ(newContents, RuntimeTree::readFile(target));
    EXPECT_EQ(std::vector<std::string>{"Configuration.xml"}, FaultTestDirectory::entries(mountPoint));
}

TEST_F(WriterFault, ReadOnlyBindMountKeepsTheOldFile)
{
    RuntimeTree::writeFile(target, oldContents);
    std::string error;
    mount = ScratchMount::readOnlyBind(mountPoint, error);
    if (!mount)
        GTEST_SKIP() << error;

    EXPECT_FALSE(AtomicFileWriter::write(target, newContents));
    EXPECT_EQ(oldContents, RuntimeTree::readFile(target));
    EXPECT_EQ(std::vector<std::string>{"Configuration.xml"}, FaultTestDirectory::entries(mountPoint));

    mount->unmount();
    EXPECT_TRUE(AtomicFileWriter::write(target, newContents));
    EXPECT_EQ(newContents, RuntimeTree::readFile(target));
}

TEST_F(WriterFault, FileSizeLimitFailsTheSaveAndKeepsTheOldFile)
{
    RuntimeTree::writeFile(target, oldContents);
    ASSERT_GT(newContents.size(), 2048u);
    {
        FileSizeLimit limit(2048);
        ASSERT_TRUE(limit.applied());
        EXPECT_FALSE(AtomicFileWriter::write(target, newContents));
        // A file below the limit still saves, so the limit is what failed the first save.
        EXPECT_TRUE(AtomicFileWriter::write(mountPoint + "/Small.xml", "<Scene/>\n"));
    }
    EXPECT_EQ(oldContents, RuntimeTree::readFile(target));
    EXPECT_EQ((std::vector<std::string>{"Configuration.xml", "Small.xml"}), FaultTestDirectory::entries(mountPoint));
}
