#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace kelvosoak {

// Resident memory (VmRSS) of one process over time, read from /proc/<pid>/status.
class MemorySampler
{
public:
    struct Sample
    {
        double seconds = 0.0;  // since the sampler was made
        long kilobytes = 0;
    };

    explicit MemorySampler(pid_t pid);

    // Reads VmRSS now; false when the process is gone.
    bool sample();
    const std::vector<Sample>& samples() const { return samples_; }
    // Least of the samples taken in [from, to) seconds, or -1 when there are none.
    long minimum(double from, double to) const;
    long maximum(double from) const;

    // The process whose working directory is `directory` and whose name is `name`, or -1.
    static pid_t find(const std::string& name, const std::string& directory);
    static long residentKilobytes(pid_t pid);

private:
    pid_t pid_;
    std::chrono::steady_clock::time_point start_;
    std::vector<Sample> samples_;
};

} // namespace kelvosoak
