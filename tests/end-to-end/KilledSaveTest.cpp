// Saves killed with SIGKILL at random moments: a small program saving through the viewer's writer
// hundreds of times, and the real KELVOview pressed F3 over and over. After every kill the
// configuration file is the old or the new one, complete, leftovers of killed saves do not pile
// up, and the next start reads the file.

#include "FaultTestDirectory.h"
#include "SampleConfiguration.h"

#include "ViewerSession.h"

#include <tinyxml2.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <poll.h>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace kelvotest;
using Clock = std::chrono::steady_clock;

namespace {

bool parses(const std::string& text)
{
    tinyxml2::XMLDocument document;
    return document.Parse(text.c_str(), text.size()) == tinyxml2::XML_SUCCESS &&
           document.FirstChildElement();
}

// The saving program (COUNT saves, or until killed); it writes a byte as its first save begins.
class SaveLoop
{
public:
    SaveLoop(const std::string& path, long count = -1)
    {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(fds[1], 1);
            const std::string counted = std::to_string(count);
            ::execl(CONFIGURATION_SAVE_LOOP, "configuration_save_loop", path.c_str(),
                    count < 0 ? nullptr : counted.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        pollfd ready{fds[0], POLLIN, 0};
        char byte = 0;
        saving_ = pid_ > 0 && ::poll(&ready, 1, 20000) == 1 && ::read(fds[0], &byte, 1) == 1;
        ::close(fds[0]);
    }
    ~SaveLoop()
    {
        if (pid_ > 0)
            ::kill(pid_, SIGKILL);
        wait();
    }
    bool saving() const { return saving_; }
    int wait()
    {
        int status = 0;
        if (pid_ > 0)
            ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

private:
    pid_t pid_ = -1;
    bool saving_ = false;
};

} // namespace

TEST(KilledSave, SavingProgramKilledHundredsOfTimesLeavesTheOldOrTheNewFile)
{
    FaultTestDirectory directory;
    ASSERT_FALSE(directory.path().empty());
    const std::string path = directory.path() + "/Configuration.xml";
    const std::string oldContents = sampleConfiguration(0), newContents = sampleConfiguration(1);
    RuntimeTree::writeFile(path, oldContents);

    // How long one save takes here, so that the kills fall across whole saves.
    const auto timed = Clock::now();
    {
        SaveLoop loop(path, 40);
        ASSERT_TRUE(loop.saving());
        ASSERT_EQ(0, loop.wait());
    }
    const long perSave = std::max<long>(
        1,
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - timed).count() / 40);
    ASSERT_EQ(oldContents, RuntimeTree::readFile(path))
        << "40 saves end on the variant they began with";

    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    std::uniform_int_distribution<long> delay(0, 4 * perSave);
    unsigned foundOld = 0, foundNew = 0, leftoversSeen = 0;
    for (unsigned i = 0; i < 300; ++i) {
        SCOPED_TRACE("kill " + std::to_string(i) + ", seed " + std::to_string(seed));
        {
            SaveLoop loop(path);
            ASSERT_TRUE(loop.saving());
            std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        }
        const std::string contents = RuntimeTree::readFile(path);
        ASSERT_TRUE(contents == oldContents || contents == newContents)
            << contents.size() << " bytes";
        ASSERT_TRUE(parses(contents));
        (contents == oldContents ? foundOld : foundNew)++;
        const auto leftovers = FaultTestDirectory::temporaries(directory.path());
        ASSERT_LE(leftovers.size(), 1u) << "leftovers of killed saves pile up";
        leftoversSeen += leftovers.empty() ? 0 : 1;
        ASSERT_EQ(1u + leftovers.size(), FaultTestDirectory::entries(directory.path()).size());
    }
    std::cout << "300 kills (" << perSave << " us per save): " << foundOld
              << " left the old file, " << foundNew << " the new one, " << leftoversSeen
              << " a temporary file" << std::endl;
    // Each outcome must occur, or the kills did not fall across the saves.
    EXPECT_GT(foundOld, 0u);
    EXPECT_GT(foundNew, 0u);
    EXPECT_GT(leftoversSeen, 0u);

    // The next save after all that clears up and writes.
    SaveLoop last(path, 1);
    ASSERT_TRUE(last.saving());
    EXPECT_EQ(0, last.wait());
    EXPECT_EQ(newContents, RuntimeTree::readFile(path));
    EXPECT_EQ(std::vector<std::string>{"Configuration.xml"},
              FaultTestDirectory::entries(directory.path()));
}

TEST(KilledSave, ViewerKilledWhileSavingLeavesTheOldOrTheNewFile)
{
    ViewerSession session;
    RuntimeTree& tree = session.tree();
    // Written by hand: every save by the viewer differs from it in its formatting at least.
    const std::string oldContents = "<!-- as it was before the save -->\n" + sceneElement() +
                                    navigationElement({5, -50, 12}, {5, 0, 2}) +
                                    windowElement("KELVOview killed", 0, 0, 640, 480);
    const std::string resources = tree.root() + "/Resources";

    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delay(0, 1000);
    std::vector<std::string> found;
    for (unsigned i = 0; i < 4; ++i) {
        tree.writeConfiguration(oldContents);
        ASSERT_TRUE(session.launch("KELVOview killed", {{"OSG_NOTIFY_LEVEL", "WARN"}}));
        // F3 after F3 into the window under the pointer, until the kill.
        std::atomic<bool> pressing{true};
        const std::string press = "DISPLAY=" + session.server().display() +
                                  " xdotool key --delay 5 F3 F3 F3 F3 2>/dev/null";
        std::thread presser([&] {
            while (pressing)
                if (std::system(press.c_str()) != 0)
                    break;
        });
        // Every other kill comes once the saves are under way, the others at any time.
        if (i % 2)
            waitUntil([&] { return tree.readConfiguration() != oldContents; });
        std::this_thread::sleep_for(std::chrono::milliseconds(delay(random) / (i % 2 ? 4 : 1)));
        session.kill();
        pressing = false;
        presser.join();
        found.push_back(tree.readConfiguration());
        ASSERT_LE(FaultTestDirectory::temporaries(resources).size(), 1u)
            << "kill " << i << ": leftovers of killed saves pile up";
    }

    // A crash leftover does not keep the next run from reading the file and saving; what that save
    // writes is what every complete save writes.
    tree.writeConfiguration(oldContents);
    RuntimeTree::writeFile(resources + "/.Configuration.xml.Cr4sh1", oldContents.substr(0, 40));
    ASSERT_TRUE(session.start("KELVOview killed"));
    EXPECT_TRUE(session.viewer().waitForOutput("Loaded configuration file successfully"));
    const std::string newContents = session.save();
    ASSERT_FALSE(newContents.empty());
    ASSERT_NE(oldContents, newContents);
    ASSERT_TRUE(parses(newContents)) << newContents;
    EXPECT_TRUE(FaultTestDirectory::temporaries(resources).empty());
    EXPECT_TRUE(session.stop());

    unsigned foundNew = 0;
    for (unsigned i = 0; i < found.size(); ++i) {
        EXPECT_TRUE(found[i] == oldContents || found[i] == newContents)
            << "kill " << i << " (seed " << seed << ") left:\n"
            << found[i];
        foundNew += found[i] == newContents ? 1 : 0;
    }
    EXPECT_GT(foundNew, 0u) << "no kill came after a save";
}
