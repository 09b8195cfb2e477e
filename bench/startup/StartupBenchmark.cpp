// Start-up of the shipped demo (the runtime tree's configuration and content) up to its first drawn
// frame, against osgviewer on the demo's visible models seen from the demo's home view. Both draw one
// frame (OSG_RUN_FRAME_COUNT=1) into a 1024 × 768 window on one Xvfb started before any timing, and
// exit; the time is from the fork to the end of the process. Building the demo's power line and
// information-point labels from their files is timed on its own as well, in this process.

#include "RuntimeTree.h"
#include "XvfbServer.h"
#include "content/infopoints/InfoPointsBuilder.h"
#include "content/powerline/PowerlineBuilder.h"

#include <benchmark/benchmark.h>
#include <osg/Matrixd>
#include <osg/Quat>
#include <osgDB/Registry>
#include <tinyxml2.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

bool runToFirstFrame(const std::string& directory, const std::vector<std::string>& command)
{
    std::vector<char*> argv;
    for (const std::string& argument : command)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(directory.c_str()) != 0)
            ::_exit(126);
        ::setenv("OSG_RUN_FRAME_COUNT", "1", 1);
        ::freopen("/dev/null", "w", stdout);
        ::freopen("/dev/null", "w", stderr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The shipped configuration with multisampling off (osgviewer asks for none) and the sea on or off.
// Returns an empty text where an element the comparison relies on is missing.
std::string demoConfiguration(const kelvotest::RuntimeTree& tree, bool water, osg::Vec3d& eye, osg::Vec3d& center)
{
    tinyxml2::XMLDocument document;
    if (document.Parse(tree.readConfiguration().c_str()) != tinyxml2::XML_SUCCESS)
        return {};
    tinyxml2::XMLElement* window = document.FirstChildElement("Window");
    tinyxml2::XMLElement* environment = document.FirstChildElement("Environment");
    tinyxml2::XMLElement* navigation = document.FirstChildElement("Navigation");
    if (!window || !environment || !navigation || window->IntAttribute("width") != 1024 ||
        window->IntAttribute("height") != 768)
        return {};
    window->SetAttribute("numSamples", 0);
    environment->SetAttribute("enableWater", water ? 1 : 0);
    eye.set(navigation->DoubleAttribute("homeEyeX"), navigation->DoubleAttribute("homeEyeY"),
            navigation->DoubleAttribute("homeEyeZ"));
    center.set(navigation->DoubleAttribute("homeCenterX"), navigation->DoubleAttribute("homeCenterY"),
               navigation->DoubleAttribute("homeCenterZ"));
    tinyxml2::XMLPrinter printer;
    document.Print(&printer);
    return printer.CStr();
}

// The shipped demo has no cached information points: every run builds them from the label files.
void forgetCachedInfoPoints(const kelvotest::RuntimeTree& tree)
{
    std::remove((tree.root() + "/Content/InfoPoints/InfoPoints.ive").c_str());
}

void startupKELVOview(benchmark::State& state, bool water)
{
    kelvotest::RuntimeTree tree(true);
    osg::Vec3d eye, center;
    const std::string configuration = demoConfiguration(tree, water, eye, center);
    if (configuration.empty()) {
        state.SkipWithError("the shipped configuration lacks the window, environment or navigation");
        return;
    }
    tree.writeConfiguration(configuration);
    for (auto _ : state) {
        state.PauseTiming();
        forgetCachedInfoPoints(tree);
        state.ResumeTiming();
        if (!runToFirstFrame(tree.bin(), {"./KELVOview"}))
            state.SkipWithError("KELVOview failed");
    }
}

void BM_StartupKELVOview(benchmark::State& state) { startupKELVOview(state, false); }
void BM_StartupKELVOviewWithWater(benchmark::State& state) { startupKELVOview(state, true); }

// osgviewer on the two models the demo shows at start, its camera held at the demo's home view by a
// one-pose animation path (the z axis up, as in the viewer).
void BM_StartupOsgviewer(benchmark::State& state)
{
    kelvotest::RuntimeTree tree(true);
    osg::Vec3d eye, center;
    if (demoConfiguration(tree, false, eye, center).empty()) {
        state.SkipWithError("the shipped configuration lacks the window, environment or navigation");
        return;
    }
    const osg::Quat orientation =
        osg::Matrixd::inverse(osg::Matrixd::lookAt(eye, center, osg::Vec3d(0.0, 0.0, 1.0))).getRotate();
    const std::string path = tree.root() + "/home.path";
    {
        std::ofstream out(path);
        out.precision(17);
        for (double time : {0.0, 1.0})
            out << time << ' ' << eye.x() << ' ' << eye.y() << ' ' << eye.z() << ' ' << orientation.x() << ' '
                << orientation.y() << ' ' << orientation.z() << ' ' << orientation.w() << '\n';
    }
    ::setenv("OSG_WINDOW", "100 60 1024 768", 1);
    const std::string models = tree.root() + "/Content/Models/";
    for (auto _ : state)
        if (!runToFirstFrame(tree.bin(), {"osgviewer", "-p", path, models + "Terrang.ive", models + "Bebyggelse.ive"}))
            state.SkipWithError("osgviewer failed");
    ::unsetenv("OSG_WINDOW");
}

// The power line and the labels as the viewer builds them at start-up: pylon list, building blocks,
// wire files, label files and font read from the staged tree, nothing cached from an earlier round.
void BM_BuildPowerlineAndLabels(benchmark::State& state)
{
    kelvotest::RuntimeTree tree(true);
    tinyxml2::XMLDocument document;
    document.Parse(tree.readConfiguration().c_str());
    const tinyxml2::XMLElement* overlay = document.FirstChildElement("Overlay");
    if (!overlay) {
        state.SkipWithError("the shipped configuration lacks the overlay's offset");
        return;
    }
    const osg::Vec3d offset(overlay->DoubleAttribute("offsetX"), overlay->DoubleAttribute("offsetY"),
                            overlay->DoubleAttribute("offsetZ"));
    char previous[4096];
    if (!::getcwd(previous, sizeof previous) || ::chdir(tree.bin().c_str()) != 0) {
        state.SkipWithError("cannot enter the staged tree");
        return;
    }
    osg::ref_ptr<osgDB::Options> options = new osgDB::Options;
    options->setObjectCacheHint(osgDB::Options::CACHE_ALL);
    osgDB::Registry::instance()->setOptions(options);
    for (auto _ : state) {
        state.PauseTiming();
        forgetCachedInfoPoints(tree);
        osgDB::Registry::instance()->clearObjectCache();
        state.ResumeTiming();
        osg::ref_ptr<osg::Node> powerline = osgKELVO::PowerlineBuilder(offset).build();
        osg::ref_ptr<osg::Node> labels = osgKELVO::InfoPointsBuilder().build();
        if (!powerline || !labels)
            state.SkipWithError("the demo's power line or labels did not build");
    }
    osgDB::Registry::instance()->setOptions(nullptr);
    if (::chdir(previous) != 0)
        state.SkipWithError("cannot leave the staged tree");
}

} // namespace

BENCHMARK(BM_BuildPowerlineAndLabels)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(7);
BENCHMARK(BM_StartupOsgviewer)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(7)->UseRealTime();
BENCHMARK(BM_StartupKELVOview)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(7)->UseRealTime();
BENCHMARK(BM_StartupKELVOviewWithWater)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(7)->UseRealTime();

int main(int argc, char** argv)
{
    // One server for every run, started before any timing; the children inherit its display.
    kelvotest::XvfbServer server(1280, 1024);
    if (!server.running()) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    ::setenv("DISPLAY", server.display().c_str(), 1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
