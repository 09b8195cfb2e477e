// The real KELVOview on the demo world with the sea, under its own Xvfb, flown along the same
// scripted route of held movement keys for FLIGHT_SECONDS (default 120) at two qualities in one
// run: the configured one (adaptToSoftwareRenderer="0": multisampling, the full sea grid and
// reflection) and the one adapted to a software renderer. llvmpipe rasterizes on threads of its
// own choice (LP_NUM_THREADS unset). Resident memory is sampled every 100 ms; the frame rate is
// Mesa's own count, dumped by its hidden HUD once a second. Fails when a run's peak exceeds
// FLIGHT_MAX_RESIDENT_MB (default 600) or the viewer does not end with status 0.

#include "InputStream.h"
#include "MemorySampler.h"

#include "ViewerSession.h"
#include "XdndTestSource.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <numeric>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Leg
{
    const char* keys;
    double seconds;
};

// Out over the sea, turning, down to the surface and up again, back over the shore; then home.
const Leg route[] = {{"w", 5.0}, {"w j", 3.0}, {"w", 4.0}, {"k", 0.6}, {"w z", 3.0}, {"w l", 4.0},
                     {"q", 2.0}, {"i", 0.6}, {"l", 2.5}, {"w", 5.0}, {"s d", 3.0}, {"", 0.0}};

struct Flight
{
    double peakMegabytes = 0.0;
    double meanMegabytes = 0.0;
    double framesPerSecond = -1.0;
    std::size_t samples = 0;
    std::string failure;
};

double setting(const char* name, double fallback)
{
    const char* text = std::getenv(name);
    return text && *text ? std::atof(text) : fallback;
}

// The numbers of a file, one a line.
std::vector<double> numbers(const std::string& path)
{
    std::ifstream file(path);
    std::vector<double> values;
    for (double value = 0.0; file >> value;)
        values.push_back(value);
    return values;
}

Flight fly(bool adapted, double seconds)
{
    Flight flight;
    kelvotest::ViewerSession viewer(1280, 1024, false, true);
    std::string xml = viewer.tree().readConfiguration();
    xml = std::regex_replace(xml, std::regex("enableWater=\"[^\"]*\""), "enableWater=\"1\"");
    if (!adapted)
        xml = std::regex_replace(xml, std::regex("<Window "),
                                 "<Window adaptToSoftwareRenderer=\"0\" ");
    viewer.tree().writeConfiguration(xml);
    const std::string fps = viewer.tree().root() + "/fps";
    ::setenv("GALLIUM_HUD", "fps", 1);
    ::setenv("GALLIUM_HUD_VISIBLE", "false", 1);
    ::setenv("GALLIUM_HUD_PERIOD", "1", 1);
    ::setenv("GALLIUM_HUD_DUMP_DIR", viewer.tree().root().c_str(), 1);
    ::unsetenv("LP_NUM_THREADS");
    if (!viewer.start()) {
        flight.failure = "no window or no frame";
        return flight;
    }
    const pid_t pid = kelvosoak::MemorySampler::find("KELVOview", viewer.tree().bin());
    kelvotest::XdndTestSource dropSource(viewer.server().display());
    kelvosoak::InputStream input(viewer, dropSource, 0, {}, {});
    kelvosoak::MemorySampler sampler(pid);
    std::atomic<bool> flying{true};
    std::thread sampling([&] {
        for (auto next = Clock::now(); flying && sampler.sample();) {
            next += std::chrono::milliseconds(100);
            std::this_thread::sleep_until(next);
        }
    });
    const std::size_t secondsBefore = numbers(fps).size();
    const auto start = Clock::now();
    const auto elapsed = [&] {
        return std::chrono::duration<double>(Clock::now() - start).count();
    };
    for (std::size_t leg = 0; elapsed() < seconds; leg = (leg + 1) % std::size(route)) {
        if (*route[leg].keys)
            input.flight(route[leg].keys, route[leg].seconds);
        else
            viewer.key("space");
    }
    flying = false;
    sampling.join();
    const std::vector<double> rates = numbers(fps);
    if (rates.size() > secondsBefore)
        flight.framesPerSecond =
            std::accumulate(rates.begin() + secondsBefore, rates.end(), 0.0) /
            static_cast<double>(rates.size() - secondsBefore);
    flight.samples = sampler.samples().size();
    double sum = 0.0;
    for (const kelvosoak::MemorySampler::Sample& sample : sampler.samples())
        sum += sample.kilobytes;
    flight.meanMegabytes = flight.samples ? sum / flight.samples / 1024.0 : 0.0;
    flight.peakMegabytes = sampler.maximum(0.0) / 1024.0;
    // At a frame or so a second the held keys' events take minutes to drain before Escape.
    viewer.key("Escape");
    for (int i = 0; i < 3000 && kelvosoak::MemorySampler::residentKilobytes(pid) >= 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const ::testing::AssertionResult stopped = viewer.stop();
    if (!stopped)
        flight.failure = std::string(stopped.message()).substr(0, 80);
    return flight;
}

} // namespace

int main()
{
    const double seconds = setting("FLIGHT_SECONDS", 120.0);
    const double limit = setting("FLIGHT_MAX_RESIDENT_MB", 600.0);
    std::printf("memory flight: %.0f s a quality, LP_NUM_THREADS unset, peak allowed %.0f MB\n",
                seconds, limit);
    bool passed = true;
    std::printf("%-11s %9s %9s %7s %8s\n", "quality", "peak MB", "mean MB", "fps", "samples");
    for (const bool adapted : {false, true}) {
        const Flight flight = fly(adapted, seconds);
        const char* name = adapted ? "adapted" : "configured";
        std::printf("%-11s %9.0f %9.0f %7.2f %8zu\n", name, flight.peakMegabytes,
                    flight.meanMegabytes, flight.framesPerSecond, flight.samples);
        if (!flight.failure.empty())
            std::printf("memory flight: FAILED (%s): %s\n", name, flight.failure.c_str());
        if (flight.peakMegabytes > limit)
            std::printf("memory flight: FAILED (%s): peak above %.0f MB\n", name, limit);
        passed = passed && flight.failure.empty() && flight.peakMegabytes <= limit;
    }
    return passed ? 0 : 1;
}
