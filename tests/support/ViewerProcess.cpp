#include "ViewerProcess.h"

#include "RuntimeTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace kelvotest {

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return condition();
}

ViewerProcess::ViewerProcess(const RuntimeTree& tree, const std::string& display,
                             const std::map<std::string, std::string>& environment,
                             const std::string& workingDirectory,
                             const std::vector<std::string>& arguments)
    : display_(display), logPath_(tree.root() + "/viewer.log")
{
    const std::string directory = workingDirectory.empty() ? tree.bin() : workingDirectory;
    const std::string program = tree.bin() + "/KELVOview";
    std::vector<char*> argv{const_cast<char*>("KELVOview")};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ != 0)
        return;
    const int log = ::open(logPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(log, 1);
    ::dup2(log, 2);
    ::dup2(::open("/dev/null", O_RDONLY), 0);
    if (::chdir(directory.c_str()) != 0)
        ::_exit(126);
    ::setenv("DISPLAY", display_.c_str(), 1);
    for (const auto& entry : environment)
        ::setenv(entry.first.c_str(), entry.second.c_str(), 1);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
}

ViewerProcess::~ViewerProcess()
{
    if (pid_ > 0 && exitCode_ < 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    const std::string report = sanitizerReport();
    if (!report.empty())
        ADD_FAILURE() << "KELVOview reported a sanitizer finding:\n" << report;
}

std::string ViewerProcess::sanitizerReport() const
{
    const std::string log = output();
    std::string::size_type first = std::string::npos;
    for (const char* marker :
         {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:"})
        first = std::min(first, log.find(marker));
    if (first == std::string::npos)
        return std::string();
    // From the start of the line (npos + 1 is 0), so that a runtime error keeps its position.
    return log.substr(log.rfind('\n', first) + 1, 16384);
}

bool ViewerProcess::alive()
{
    int status = 0;
    if (pid_ <= 0 || exitCode_ >= 0)
        return false;
    if (::waitpid(pid_, &status, WNOHANG) != pid_)
        return true;
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
}

std::string ViewerProcess::output() const
{
    return RuntimeTree::readFile(logPath_);
}

bool ViewerProcess::waitForOutput(const std::string& text, std::chrono::milliseconds timeout)
{
    auto written = [&] { return output().find(text) != std::string::npos; };
    return waitUntil([&] { return written() || !alive(); }, timeout) && written();
}

std::string ViewerProcess::xdotool(const std::string& arguments) const
{
    const std::string command = "DISPLAY=" + display_ + " xdotool " + arguments + " 2>/dev/null";
    std::string result;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof(buffer), pipe))
            result += buffer;
        ::pclose(pipe);
    }
    while (!result.empty() && (result.back() == '\n' || result.back() == ' '))
        result.pop_back();
    return result;
}

std::string ViewerProcess::waitForWindow(const std::string& title,
                                         std::chrono::milliseconds timeout)
{
    std::string found;
    waitUntil(
        [&] {
            found = xdotool("search --onlyvisible --name '" + title + "'");
            return !found.empty() || !alive();
        },
        timeout);
    window_ = found.substr(0, found.find('\n'));
    return window_;
}

void ViewerProcess::send(const std::string& commands)
{
    // Events reach the viewer in order: what a later screenshot or save shows comes after these.
    xdotool("mousemove --window " + window_ + " 40 40 " + commands);
}

int ViewerProcess::waitForExit(std::chrono::milliseconds timeout)
{
    if (waitUntil([&] { return !alive(); }, timeout))
        return exitCode_;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    exitCode_ = 137;
    return -1;
}

} // namespace kelvotest
