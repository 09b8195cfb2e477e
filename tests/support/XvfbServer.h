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
        const std::string fd = std::to_string(fds[1]);
        if ((serverPid_ = ::fork()) == 0) {
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(),
                     "-nolisten", "tcp", "+extension", "GLX", "-noreset", nullptr);
            ::_exit(127);
        }
        ::close(fds[1]);
        for (char c = 0; ::read(fds[0], &c, 1) == 1 && c != '\n';)
            display_ += display_.empty() ? std::string(":") + c : std::string(1, c);
        ::close(fds[0]);
        if (display_.empty() || !withWindowManager)
            return;
        if ((windowManagerPid_ = ::fork()) == 0) {
            ::setenv("DISPLAY", display_.c_str(), 1);
            ::execlp("openbox", "openbox", "--sm-disable", nullptr);
            ::_exit(127);
        }
        // A window mapped before openbox has announced itself would stay unmanaged.
        const std::string check =
            "DISPLAY=" + display_ +
            " xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'";
        for (int i = 0; i < 200 && std::system(check.c_str()) != 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    // SIGTERM lets Xvfb remove its lock file and socket.
    ~XvfbServer()
    {
        for (pid_t pid : {windowManagerPid_, serverPid_})
            if (pid > 0 && ::kill(pid, SIGTERM) == 0)
                ::waitpid(pid, nullptr, 0);
    }
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool running() const { return !display_.empty(); }
    // The DISPLAY value, for example ":12".
    const std::string& display() const { return display_; }

private:
    std::string display_;
    pid_t serverPid_ = -1;
    pid_t windowManagerPid_ = -1;
};

} // namespace kelvotest
