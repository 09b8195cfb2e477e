#include "MemorySampler.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace kelvosoak {

MemorySampler::MemorySampler(pid_t pid) : pid_(pid), start_(std::chrono::steady_clock::now()) {}

long MemorySampler::residentKilobytes(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            std::istringstream fields(line.substr(6));
            long kilobytes = -1;
            fields >> kilobytes;
            return kilobytes;
        }
    }
    return -1;
}

bool MemorySampler::sample()
{
    const long kilobytes = residentKilobytes(pid_);
    if (kilobytes < 0)
        return false;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    samples_.push_back({seconds, kilobytes});
    return true;
}

long MemorySampler::minimum(double from, double to) const
{
    long least = -1;
    for (const Sample& s : samples_)
        if (s.seconds >= from && s.seconds < to && (least < 0 || s.kilobytes < least))
            least = s.kilobytes;
    return least;
}

long MemorySampler::maximum(double from) const
{
    long most = -1;
    for (const Sample& s : samples_)
        if (s.seconds >= from)
            most = std::max(most, s.kilobytes);
    return most;
}

pid_t MemorySampler::find(const std::string& name, const std::string& directory)
{
    std::error_code error;
    const fs::path wanted = fs::weakly_canonical(directory, error);
    for (const auto& entry : fs::directory_iterator("/proc", error)) {
        const std::string id = entry.path().filename().string();
        if (id.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream comm(entry.path() / "comm");
        std::string command;
        std::getline(comm, command);
        if (command != name)
            continue;
        std::error_code ignored;
        if (fs::read_symlink(entry.path() / "cwd", ignored) == wanted)
            return static_cast<pid_t>(std::stol(id));
    }
    return -1;
}

} // namespace kelvosoak
