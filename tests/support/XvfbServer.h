#pragma once

#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace kelvotest {

// A private X server (Xvfb), optionally with a window manager (openbox).
class XvfbServer
{
public:
    explicit XvfbServer(int width = 1280, int height = 1024, bool withWindowManager = false)
    {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
        serverPid_ = ::fork();
        if (serverPid_ == 0) {
            const std::string fd = std::to_string(fds[1]);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(),
                     "-nolisten", "tcp", "+extension", "GLX", "-noreset",
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        std::string number;
        for (char c = 0; ::read(fds[0], &c, 1) == 1 && c != '\n';)
            number += c;
        ::close(fds[0]);
        display_ = number.empty() ? number : ":" + number;
        if (display_.empty() || !withWindowManager)
            return;
        windowManagerPid_ = ::fork();
        if (windowManagerPid_ == 0) {
            ::setenv("DISPLAY", display_.c_str(), 1);
            ::execlp("openbox", "openbox", "--sm-disable", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // A window mapped before openbox has announced itself would stay unmanaged.
        const std::string check =
            "DISPLAY=" + display_ +
            " xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'";
        for (int i = 0; i < 200 && std::system(check.c_str()) != 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ~XvfbServer()
    {
        stop(windowManagerPid_);
        stop(serverPid_);
    }
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool running() const { return !display_.empty(); }
    // The DISPLAY value, for example ":12".
    const std::string& display() const { return display_; }

private:
    // SIGTERM lets Xvfb remove its lock file and socket.
    static void stop(pid_t pid)
    {
        if (pid > 0 && ::kill(pid, SIGTERM) == 0)
            ::waitpid(pid, nullptr, 0);
    }

    std::string display_;
    pid_t serverPid_ = -1;
    pid_t windowManagerPid_ = -1;
};

} // namespace kelvotest
