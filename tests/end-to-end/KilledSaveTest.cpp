// A process saving through the viewer's writer, killed hundreds of times at random moments:
// the file is always the old or the new one, and leftovers of killed saves do not pile up.

#include "config/AtomicFileWriter.h"
#include "RuntimeTree.h"
#include "SampleConfiguration.h"

#include <gtest/gtest.h>

#include <csignal>
#include <poll.h>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace kelvotest;
using osgKELVO::AtomicFileWriter;

TEST(KilledSave, SavingProgramKilledHundredsOfTimesLeavesTheOldOrTheNewFile)
{
    FaultTestDirectory directory;
    const std::string path = directory.path() + "/Configuration.xml";
    const std::string variants[2] = {sampleConfiguration(0), sampleConfiguration(1)};

    // How long one save takes here, so that the kills fall across whole saves; the old file last.
    const auto timed = std::chrono::steady_clock::now();
    for (int i = 1; i <= 40; ++i)
        ASSERT_TRUE(AtomicFileWriter::write(path, variants[i % 2]));
    const long perSave = std::chrono::duration_cast<std::chrono::microseconds>(
                             std::chrono::steady_clock::now() - timed).count() / 40 + 1;

    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    std::uniform_int_distribution<long> delay(0, 4 * perSave);
    unsigned found[2] = {0, 0}, leftoversSeen = 0;
    for (unsigned i = 0; i < 300; ++i) {
        SCOPED_TRACE("kill " + std::to_string(i) + ", seed " + std::to_string(seed));
        // A child saving variants 1, 0, 1, ... until killed, killed once its first save began.
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            if (::write(fds[1], "r", 1) != 1)
                ::_exit(3);
            for (long save = 1;; ++save)
                if (!AtomicFileWriter::write(path, variants[save % 2]))
                    ::_exit(1);
        }
        ::close(fds[1]);
        pollfd ready{fds[0], POLLIN, 0};
        char byte = 0;
        const bool saving = ::poll(&ready, 1, 20000) == 1 && ::read(fds[0], &byte, 1) == 1;
        ::close(fds[0]);
        if (saving)
            std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        ASSERT_TRUE(saving);
        const std::string contents = RuntimeTree::readFile(path);
        ASSERT_TRUE(contents == variants[0] || contents == variants[1])
            << contents.size() << " bytes";
        ++found[contents == variants[1]];
        const auto leftovers = FaultTestDirectory::temporaries(directory.path());
        ASSERT_LE(leftovers.size(), 1u) << "leftovers of killed saves pile up";
        leftoversSeen += leftovers.size();
        ASSERT_EQ(1u + leftovers.size(), FaultTestDirectory::entries(directory.path()).size());
    }
    // Each outcome must occur, or the kills did not fall across the saves.
    EXPECT_TRUE(found[0] > 0 && found[1] > 0) << found[0] << " old, " << found[1] << " new";
    EXPECT_GT(leftoversSeen, 0u);
}
