// A process saving through the viewer's writer, killed hundreds of times at random moments:
// the file is always the old or the new one, and leftovers of killed saves do not pile up.

#include "config/AtomicFileWriter.h"
#include "FaultTestDirectory.h"
#include "RuntimeTree.h"
#include "SampleConfiguration.h"

#include <csignal>
#include <poll.h>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace kelvotest;
using Clock = std::chrono::steady_clock;

namespace {

// A child saving variants 1, 0, 1, ... until killed; false unless its first save has begun.
bool startSaving(const std::string& path, pid_t& pid)
{
    int fds[2];
    if (::pipe(fds) != 0 || (pid = ::fork()) < 0)
        return false;
    if (pid == 0) {
        const std::string variants[2] = {sampleConfiguration(0), sampleConfiguration(1)};
        if (::write(fds[1], "r", 1) != 1)
            ::_exit(3);
        for (long i = 1;; ++i)
            if (!osgKELVO::AtomicFileWriter::write(path, variants[i % 2]))
                ::_exit(1);
    }
    ::close(fds[1]);
    pollfd ready{fds[0], POLLIN, 0};
    char byte = 0;
    const bool saving = ::poll(&ready, 1, 20000) == 1 && ::read(fds[0], &byte, 1) == 1;
    ::close(fds[0]);
    return saving;
}

} // namespace

TEST(KilledSave, SavingProgramKilledHundredsOfTimesLeavesTheOldOrTheNewFile)
{
    FaultTestDirectory directory;
    ASSERT_FALSE(directory.path().empty());
    const std::string path = directory.path() + "/Configuration.xml";
    const std::string oldContents = sampleConfiguration(0), newContents = sampleConfiguration(1);

    // How long one save takes here, so that the kills fall across whole saves; the old file last.
    const auto timed = Clock::now();
    for (int i = 1; i <= 40; ++i)
        ASSERT_TRUE(osgKELVO::AtomicFileWriter::write(path, i % 2 ? newContents : oldContents));
    const auto took = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - timed);
    const long perSave = std::max<long>(1, took.count() / 40);

    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    std::uniform_int_distribution<long> delay(0, 4 * perSave);
    unsigned foundOld = 0, foundNew = 0, leftoversSeen = 0;
    for (unsigned i = 0; i < 300; ++i) {
        SCOPED_TRACE("kill " + std::to_string(i) + ", seed " + std::to_string(seed));
        pid_t pid = -1;
        const bool saving = startSaving(path, pid);
        if (saving)
            std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        ASSERT_TRUE(saving);
        const std::string contents = RuntimeTree::readFile(path);
        ASSERT_TRUE(contents == oldContents || contents == newContents)
            << contents.size() << " bytes";
        (contents == oldContents ? foundOld : foundNew)++;
        const auto leftovers = FaultTestDirectory::temporaries(directory.path());
        ASSERT_LE(leftovers.size(), 1u) << "leftovers of killed saves pile up";
        leftoversSeen += leftovers.empty() ? 0 : 1;
        ASSERT_EQ(1u + leftovers.size(), FaultTestDirectory::entries(directory.path()).size());
    }
    // Each outcome must occur, or the kills did not fall across the saves.
    EXPECT_GT(foundOld, 0u);
    EXPECT_GT(foundNew, 0u);
    EXPECT_GT(leftoversSeen, 0u);
}
