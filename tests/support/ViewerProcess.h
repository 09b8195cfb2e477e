#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>
#include <sys/types.h>

namespace kelvotest {

class RuntimeTree;

// Polls a condition until it holds or the time is up; true when it held.
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

// The real KELVOview of a runtime tree on an X display (started in Bin unless told otherwise), its
// output and errors in one log, a sanitizer report in it a failure of the running test.
class ViewerProcess
{
public:
    ViewerProcess(const RuntimeTree& tree, const std::string& display,
                  const std::map<std::string, std::string>& environment = {},
                  const std::string& workingDirectory = std::string(),
                  const std::vector<std::string>& arguments = {});
    ~ViewerProcess();
    ViewerProcess(const ViewerProcess&) = delete;
    ViewerProcess& operator=(const ViewerProcess&) = delete;

    bool alive();
    std::string output() const;
    // False on time-out, or when the process ended without writing the text.
    bool waitForOutput(const std::string& text,
                       std::chrono::milliseconds timeout = std::chrono::seconds(30));
    // The window's X id once it is mapped, or an empty string.
    std::string waitForWindow(const std::string& title = "KELVOview",
                              std::chrono::milliseconds timeout = std::chrono::seconds(30));
    const std::string& window() const { return window_; }

    // xdotool commands with the pointer in the window first, so that it has the focus; they return
    // once sent.
    void send(const std::string& commands);
    void key(const std::string& keys) { send("key --delay 60 " + keys); }
    std::string xdotool(const std::string& arguments) const;

    // Exit code, or -1 when the process does not end in time (it is then killed).
    int waitForExit(std::chrono::milliseconds timeout = std::chrono::seconds(20));

private:
    std::string display_;
    std::string logPath_;
    std::string window_;
    pid_t pid_ = -1;
    int exitCode_ = -1;
};

} // namespace kelvotest
