#pragma once

#include "RuntimeTree.h"
#include "ViewerProcess.h"

#include <chrono>
#include <map>
#include <string>
#include <thread>

namespace kelvotest {

// The viewer's notices go to standard output, which is block-buffered into the log; line
// buffering (what stdbuf -oL sets up) lets a test see each line as it is written.
inline std::map<std::string, std::string> lineBufferedVerboseEnvironment()
{
    return {{"OSG_NOTIFY_LEVEL", "INFO"},
            {"LD_PRELOAD", "/usr/libexec/coreutils/libstdbuf.so"},
            {"_STDBUF_O", "L"}};
}

inline unsigned occurrences(const std::string& text, const std::string& part)
{
    unsigned count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// Presses F3 and returns the configuration file the viewer wrote.
inline std::string saveConfiguration(const RuntimeTree& tree, ViewerProcess& viewer)
{
    const std::string before = tree.readConfiguration();
    viewer.key("F3");
    for (int i = 0; i < 50 && tree.readConfiguration() == before; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return tree.readConfiguration();
}

} // namespace kelvotest
