// Start-up of KELVOview with a 2-million-triangle terrain configured, up to its first drawn frame,
// against osgviewer on the same file. Both run one frame (OSG_RUN_FRAME_COUNT=1) on a private Xvfb
// and exit; the time is from the start of the process to its end.

#include "RuntimeTree.h"
#include "XvfbServer.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

kelvotest::XvfbServer& server()
{
    static kelvotest::XvfbServer instance;
    return instance;
}

bool runToFirstFrame(const std::string& directory, const char* program, const char* argument)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(directory.c_str()) != 0)
            ::_exit(126);
        ::setenv("DISPLAY", server().display().c_str(), 1);
        ::setenv("OSG_RUN_FRAME_COUNT", "1", 1);
        ::freopen("/dev/null", "w", stdout);
        ::freopen("/dev/null", "w", stderr);
        ::execlp(program, program, argument, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_StartupKELVOview(benchmark::State& state)
{
    kelvotest::RuntimeTree tree(false);
    tree.writeConfiguration(
        "<Scene><Model name=\"Terrain\" filename=\"" BENCH_TERRAIN "\" layerNum=\"0\" visible=\"1\"/></Scene>\n"
        "<Navigation homeEyeX=\"-3000\" homeEyeY=\"-3000\" homeEyeZ=\"1500\" homeCenterX=\"0\" "
        "homeCenterY=\"0\" homeCenterZ=\"0\"/>\n"
        "<Window x=\"0\" y=\"0\" width=\"1024\" height=\"768\" numSamples=\"0\"/>\n");
    for (auto _ : state)
        if (!runToFirstFrame(tree.bin(), "./KELVOview", nullptr))
            state.SkipWithError("KELVOview failed");
}

void BM_StartupOsgviewer(benchmark::State& state)
{
    ::setenv("OSG_WINDOW", "0 0 1024 768", 1);
    for (auto _ : state)
        if (!runToFirstFrame("/tmp", "osgviewer", BENCH_TERRAIN))
            state.SkipWithError("osgviewer failed");
    ::unsetenv("OSG_WINDOW");
}

} // namespace

BENCHMARK(BM_StartupOsgviewer)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_StartupKELVOview)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK_MAIN();
