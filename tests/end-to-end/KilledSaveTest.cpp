// Saves killed with SIGKILL at random moments: a small program saving through the viewer's writer
// hundreds of times, and the real KELVOview pressed F3 over and over a few times. After
// every kill the configuration file is the old or the new one, complete, and leftovers of killed
// saves do not pile up; the next start reads the file.

#include "FaultTestDirectory.h"
#include "SampleConfiguration.h"

#include "ViewerSession.h"

#include <tinyxml2.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <memory>
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
    return document.Parse(text.c_str(), text.size()) == tinyxml2::XML_SUCCESS && document.FirstChildElement();
}

std::mt19937 seededGenerator(unsigned& seed)
{
    seed = std::random_device{}();
    return std::mt19937(seed);
}

// The saving program, started with its standard output on a pipe; stopped with SIGKILL.
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
            ::close(fds[0]);
            ::close(fds[1]);
            const std::string counted = std::to_string(count);
            ::execl(CONFIGURATION_SAVE_LOOP, "configuration_save_loop", path.c_str(),
                    count < 0 ? static_cast<char*>(nullptr) : counted.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        readyFd_ = fds[0];
    }
    ~SaveLoop()
    {
        kill();
        if (readyFd_ >= 0)
            ::close(readyFd_);
    }
    SaveLoop(const SaveLoop&) = delete;
    SaveLoop& operator=(const SaveLoop&) = delete;

    // True once the program has started its first save.
    bool waitUntilSaving()
    {
        pollfd ready{readyFd_, POLLIN, 0};
        char byte = 0;
        return pid_ > 0 && ::poll(&ready, 1, 20000) == 1 && ::read(readyFd_, &byte, 1) == 1;
    }
    void kill()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }
    int wait()
    {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

private:
    pid_t pid_ = -1;
    int readyFd_ = -1;
};

} // namespace

TEST(KilledSave, SavingProgramKilledHundredsOfTimesLeavesTheOldOrTheNewFile)
{
    FaultTestDirectory directory;
    ASSERT_FALSE(directory.path().empty());
    const std::string path = directory.path() + "/Configuration.xml";
    const std::string oldContents = sampleConfiguration(0);
    const std::string newContents = sampleConfiguration(1);
    RuntimeTree::writeFile(path, oldContents);

    // How long one save takes here, so that the kills fall across whole saves.
    const auto timed = Clock::now();
    {
        SaveLoop loop(path, 40);
        ASSERT_TRUE(loop.waitUntilSaving());
        ASSERT_EQ(0, loop.wait());
    }
    const auto perSave = std::max<long>(
        1, std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - timed).count() / 40);
    ASSERT_EQ(oldContents, RuntimeTree::readFile(path)) << "40 saves end on the variant they began with";

    unsigned seed = 0;
    std::mt19937 random = seededGenerator(seed);
    std::uniform_int_distribution<long> delay(0, 4 * perSave);
    const unsigned kills = 300;
    unsigned foundOld = 0, foundNew = 0, leftoversSeen = 0;
    for (unsigned i = 0; i < kills; ++i) {
        SaveLoop loop(path);
        ASSERT_TRUE(loop.waitUntilSaving()) << "kill " << i;
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        loop.kill();

        const std::string contents = RuntimeTree::readFile(path);
        ASSERT_TRUE(contents == oldContents || contents == newContents)
            << "kill " << i << " (seed " << seed << ") left " << contents.size() << " bytes, not one of "
            << oldContents.size() << " or " << newContents.size();
        ASSERT_TRUE(parses(contents)) << "kill " << i;
        (contents == oldContents ? foundOld : foundNew)++;
        const auto leftovers = FaultTestDirectory::temporaries(directory.path());
        ASSERT_LE(leftovers.size(), 1u) << "kill " << i << ": leftovers of killed saves pile up";
        leftoversSeen += leftovers.empty() ? 0 : 1;
        ASSERT_EQ(1u + leftovers.size(), FaultTestDirectory::entries(directory.path()).size());
    }
    std::cout << kills << " kills (seed " << seed << ", " << perSave << " us per save): " << foundOld
              << " left the old file, " << foundNew << " the new one, " << leftoversSeen
              << " fell inside a save and left its temporary file" << std::endl;
    ::testing::Test::RecordProperty("kills", static_cast<int>(kills));
    ::testing::Test::RecordProperty("killsInsideASave", static_cast<int>(leftoversSeen));
    // Both outcomes must occur, or the kills did not fall across the saves.
    EXPECT_GT(foundOld, 0u);
    EXPECT_GT(foundNew, 0u);
    EXPECT_GT(leftoversSeen, 0u);

    // The next save after all that clears up and writes.
    SaveLoop last(path, 1);
    ASSERT_TRUE(last.waitUntilSaving());
    EXPECT_EQ(0, last.wait());
    EXPECT_EQ(newContents, RuntimeTree::readFile(path));
    EXPECT_EQ(std::vector<std::string>{"Configuration.xml"}, FaultTestDirectory::entries(directory.path()));
}

namespace {

// Written by hand: every save by the viewer differs from it in its formatting at least.
const char* handWrittenConfiguration =
    "<!-- the configuration as it was before the save -->\n"
    "<Scene loadInfoPoints=\"0\" generatePowerline=\"0\"/>\n"
    "<Environment backgroundColorRed=\"0.2\" backgroundColorGreen=\"0.3\" backgroundColorBlue=\"0.4\"/>\n"
    "<Navigation homeEyeX=\"5\" homeEyeY=\"-50\" homeEyeZ=\"12\" homeCenterX=\"5\" homeCenterY=\"0\" homeCenterZ=\"2\"/>\n"
    "<Window title=\"KELVOview killed\" x=\"0\" y=\"0\" width=\"640\" height=\"480\" numSamples=\"0\"/>\n";

} // namespace

TEST(KilledSave, ViewerKilledWhileSavingLeavesTheOldOrTheNewFile)
{
    ViewerSession session(1280, 1024, false, false);
    RuntimeTree& tree = session.tree();
    const std::string oldContents = handWrittenConfiguration;
    const std::string resources = tree.root() + "/Resources";
    const std::map<std::string, std::string> quiet = {{"OSG_NOTIFY_LEVEL", "WARN"}};

    unsigned seed = 0;
    std::mt19937 random = seededGenerator(seed);
    std::uniform_int_distribution<int> delay(0, 1000);
    const unsigned kills = 4;
    std::vector<std::string> found;
    unsigned leftoversSeen = 0;
    for (unsigned i = 0; i < kills; ++i) {
        tree.writeConfiguration(oldContents);
        ASSERT_TRUE(session.launch("KELVOview killed", quiet));

        // F3 after F3 into the window under the pointer, until the kill.
        std::atomic<bool> pressing{true};
        const std::string press = "DISPLAY=" + session.server().display() + " xdotool key --delay 5 F3 F3 F3 F3 2>/dev/null";
        std::thread presser([&] {
            while (pressing)
                if (std::system(press.c_str()) != 0)
                    break;
        });
        // Every other kill comes once the saves are under way, the others at any time from the start.
        if (i % 2) {
            waitUntil([&] { return tree.readConfiguration() != oldContents; });
            std::this_thread::sleep_for(std::chrono::milliseconds(delay(random) / 4));
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(delay(random)));
        }
        session.kill();
        pressing = false;
        presser.join();

        found.push_back(tree.readConfiguration());
        const auto leftovers = FaultTestDirectory::temporaries(resources);
        ASSERT_LE(leftovers.size(), 1u) << "kill " << i << ": leftovers of killed saves pile up";
        leftoversSeen += leftovers.empty() ? 0 : 1;
    }

    // A crash leftover does not keep the next run from reading the file and saving; what that save
    // writes is what every complete save writes.
    tree.writeConfiguration(oldContents);
    RuntimeTree::writeFile(resources + "/.Configuration.xml.Cr4sh1", oldContents.substr(0, 40));
    ASSERT_TRUE(session.start("KELVOview killed", verboseEnvironment()));
    EXPECT_TRUE(session.viewer().waitForOutput("Loaded configuration file successfully")) << session.viewer().output();
    const std::string newContents = session.save();
    ASSERT_NE(oldContents, newContents);
    ASSERT_TRUE(parses(newContents)) << newContents;
    EXPECT_TRUE(FaultTestDirectory::temporaries(resources).empty());
    EXPECT_TRUE(session.stop());

    unsigned foundNew = 0;
    for (unsigned i = 0; i < found.size(); ++i) {
        EXPECT_TRUE(found[i] == oldContents || found[i] == newContents)
            << "kill " << i << " (seed " << seed << ") left:\n" << found[i];
        foundNew += found[i] == newContents ? 1 : 0;
    }
    std::cout << kills << " kills of KELVOview (seed " << seed << "): " << kills - foundNew << " left the old file, "
              << foundNew << " the new one, " << leftoversSeen << " a temporary file" << std::endl;
    ::testing::Test::RecordProperty("viewerKills", static_cast<int>(kills));
    EXPECT_GT(foundNew, 0u) << "no kill came after a save";
}
