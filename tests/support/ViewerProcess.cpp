#include "ViewerProcess.h"

#include "RuntimeTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace kelvotest {

ViewerProcess::ViewerProcess(const RuntimeTree& tree, const std::string& display,
                             const std::map<std::string, std::string>& environment,
                             const std::string& workingDirectory)
    : display_(display), logPath_(tree.root() + "/viewer.log")
{
    const std::string bin = tree.bin();
    const std::string directory = workingDirectory.empty() ? bin : workingDirectory;
    const std::string program = bin + "/KELVOview";
    pid_ = ::fork();
    if (pid_ == 0) {
        const int log = ::open(logPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(log, 1);
        ::dup2(log, 2);
        const int devNull = ::open("/dev/null", O_RDONLY);
        ::dup2(devNull, 0);
        if (::chdir(directory.c_str()) != 0)
            ::_exit(126);
        ::setenv("DISPLAY", display_.c_str(), 1);
        for (const auto& entry : environment)
            ::setenv(entry.first.c_str(), entry.second.c_str(), 1);
        ::execl(program.c_str(), "KELVOview", static_cast<char*>(nullptr));
        ::_exit(127);
    }
}

ViewerProcess::~ViewerProcess()
{
    if (pid_ > 0 && exitCode_ < 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    if (pid_ > 0) {
        const std::string report = sanitizerReport();
        if (!report.empty())
            ADD_FAILURE() << "KELVOview reported a sanitizer finding:\n" << report;
    }
}

std::string ViewerProcess::sanitizerReport() const
{
    const std::string log = output();
    std::string::size_type first = std::string::npos;
    for (const char* marker : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:"})
        first = std::min(first, log.find(marker));
    if (first == std::string::npos)
        return std::string();
    // From the start of the report's line, so the source position of a runtime error stays with it.
    const std::string::size_type lineStart = log.rfind('\n', first);
    return log.substr(lineStart == std::string::npos ? 0 : lineStart + 1, 16384);
}

bool ViewerProcess::alive()
{
    if (pid_ <= 0 || exitCode_ >= 0)
        return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return false;
    }
    return true;
}

std::string ViewerProcess::output() const
{
    return RuntimeTree::readFile(logPath_);
}

bool ViewerProcess::waitForOutput(const std::string& text, std::chrono::milliseconds timeout)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
        if (output().find(text) != std::string::npos)
            return true;
        if (!alive())
            return output().find(text) != std::string::npos;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

std::string ViewerProcess::xdotool(const std::string& arguments) const
{
    const std::string command = "DISPLAY=" + display_ + " xdotool " + arguments + " 2>/dev/null";
    std::string result;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        std::array<char, 256> buffer;
        while (std::fgets(buffer.data(), buffer.size(), pipe))
            result += buffer.data();
        ::pclose(pipe);
    }
    while (!result.empty() && (result.back() == '\n' || result.back() == ' '))
        result.pop_back();
    return result;
}

std::string ViewerProcess::waitForWindow(const std::string& title, std::chrono::milliseconds timeout)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end && alive()) {
        const std::string found = xdotool("search --onlyvisible --name '" + title + "'");
        if (!found.empty()) {
            window_ = found.substr(0, found.find('\n'));
            return window_;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return std::string();
}

void ViewerProcess::focus()
{
    if (!window_.empty())
        xdotool("mousemove --window " + window_ + " 40 40");
}

void ViewerProcess::key(const std::string& keys)
{
    focus();
    // Events reach the viewer in order: whatever a later screenshot or save shows comes after these.
    xdotool("key --delay 60 " + keys);
}

void ViewerProcess::keyDown(const std::string& key)
{
    focus();
    xdotool("keydown " + key);
}

void ViewerProcess::keyUp(const std::string& key)
{
    focus();
    xdotool("keyup " + key);
}

int ViewerProcess::waitForExit(std::chrono::milliseconds timeout)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
        if (!alive())
            return exitCode_;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    exitCode_ = 137;
    return -1;
}

} // namespace kelvotest
