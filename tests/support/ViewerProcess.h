#pragma once

#include <chrono>
#include <map>
#include <string>
#include <sys/types.h>

namespace kelvotest {

class RuntimeTree;

// The real KELVOview of a runtime tree started on a given X display (in its Bin directory unless
// told otherwise), with its standard output and error collected in one log, driven with xdotool.
class ViewerProcess
{
public:
    ViewerProcess(const RuntimeTree& tree, const std::string& display,
                  const std::map<std::string, std::string>& environment = {{"OSG_NOTIFY_LEVEL", "INFO"}},
                  const std::string& workingDirectory = std::string());
    ~ViewerProcess();
    ViewerProcess(const ViewerProcess&) = delete;
    ViewerProcess& operator=(const ViewerProcess&) = delete;

    bool started() const { return pid_ > 0; }
    bool alive();
    std::string output() const;
    // Waits until the log holds text; false on time-out or when the process ended without it.
    bool waitForOutput(const std::string& text, std::chrono::milliseconds timeout = std::chrono::seconds(30));

    // The window's X id once it is mapped, or an empty string. ViewerSession::start also waits for
    // the first frame.
    std::string waitForWindow(const std::string& title = "KELVOview",
                              std::chrono::milliseconds timeout = std::chrono::seconds(30));
    const std::string& window() const { return window_; }

    // Real input through XTEST: the pointer goes into the window first, so it has the focus. Keys
    // return once sent; wait for what they do (a screenshot, a line, a file), not for a time.
    void key(const std::string& keys);
    void keyDown(const std::string& key);
    void keyUp(const std::string& key);
    std::string xdotool(const std::string& arguments) const;

    // Exit code, or -1 when the process does not end in time (it is then killed).
    int waitForExit(std::chrono::milliseconds timeout = std::chrono::seconds(20));

    // The log from the first AddressSanitizer, LeakSanitizer or UndefinedBehaviorSanitizer report
    // on, or an empty string. A sanitizer build of the viewer writes such reports into its log;
    // the destructor turns one into a failure of the running test.
    std::string sanitizerReport() const;

private:
    void focus();

    std::string display_;
    std::string logPath_;
    std::string window_;
    pid_t pid_ = -1;
    int exitCode_ = -1;
};

} // namespace kelvotest
