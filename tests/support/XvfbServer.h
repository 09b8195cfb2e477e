#pragma once

#include <string>
#include <sys/types.h>

namespace kelvotest {

// A private X server (Xvfb) for one test, optionally with a window manager; stopped at the end.
class XvfbServer
{
public:
    explicit XvfbServer(int width = 1280, int height = 1024, bool withWindowManager = false);
    ~XvfbServer();
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
