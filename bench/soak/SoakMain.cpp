// Soak run: the real KELVOview on the demo world with water, under its own Xvfb, fed a random
// stream of real input (keys, held keys, drags, wheel, full screen, screenshots, saves, drops of
// good and bad files) for SOAK_SECONDS (default 600), then Escape. Passes when the viewer exits
// with status 0 and its resident memory after the warm-up (SOAK_WARMUP_SECONDS, default a fifth
// of the run) grows by no more than SOAK_MAX_GROWTH_PERCENT (default 5).
//
// Measured in the same state each time: windowed, the switch keys and layer alternatives as at
// the start, at the home view, over idle seconds. On the software rasterizer the picture on
// screen decides most of the memory in use, so anything else would compare two different pictures.
//
// llvmpipe rasterizes on threads of its own by default, and its working set then also depends on
// how the two cores happen to be shared, not on the viewer. The soak therefore sets
// LP_NUM_THREADS=0 (rasterize in the drawing thread); SOAK_RASTERIZER_THREADS=N runs with N
// threads, "auto" leaves LP_NUM_THREADS unset for llvmpipe's own choice.

#include "InputStream.h"
#include "MemorySampler.h"

#include "RuntimeTree.h"
#include "ViewerSession.h"
#include "XdndTestSource.h"

#include <osg/Geode>
#include <osg/ShapeDrawable>
#include <osgDB/WriteFile>
#include <tinyxml2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <random>
#include <string>
#include <thread>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double setting(const char* name, double fallback)
{
    const char* text = std::getenv(name);
    return text && *text ? std::atof(text) : fallback;
}

// Models per layer of the configuration's scene, layer 0 left out: drops add to it as the run goes
// on, and its models are small.
std::map<int, unsigned> modelsPerLayer(const std::string& configuration)
{
    std::map<int, unsigned> layers;
    tinyxml2::XMLDocument document;
    if (document.Parse(configuration.c_str(), configuration.size()) != tinyxml2::XML_SUCCESS)
        return layers;
    const tinyxml2::XMLElement* scene = document.FirstChildElement("Scene");
    for (const tinyxml2::XMLElement* model = scene ? scene->FirstChildElement("Model") : nullptr; model;
         model = model->NextSiblingElement("Model")) {
        const int layer = model->IntAttribute("layerNum", 0);
        if (layer > 0)
            ++layers[layer];
    }
    return layers;
}

// Small models to drop, written by the scene-graph library itself.
std::vector<std::string> writeDropModels(const std::string& directory)
{
    std::vector<std::string> paths;
    const osg::Vec4 colors[] = {{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}};
    const char* names[] = {"Boj.ive", "Kaj.osg", "Fyr.ive"};
    for (int i = 0; i < 3; ++i) {
        osg::ref_ptr<osg::ShapeDrawable> shape =
            i == 1 ? new osg::ShapeDrawable(new osg::Box(osg::Vec3(880.0f + 20 * i, -700.0f, 20.0f), 12.0f))
                   : new osg::ShapeDrawable(new osg::Sphere(osg::Vec3(880.0f + 20 * i, -700.0f, 20.0f), 6.0f));
        shape->setColor(colors[i]);
        osg::ref_ptr<osg::Geode> geode = new osg::Geode;
        geode->addDrawable(shape);
        const std::string path = directory + "/" + names[i];
        if (osgDB::writeNodeFile(*geode, path))
            paths.push_back(path);
    }
    return paths;
}

// Files that are dropped but cannot become models.
std::vector<std::string> writeBadDrops(const std::string& directory)
{
    using kelvotest::RuntimeTree;
    RuntimeTree::writeFile(directory + "/notes.txt", "not a model\n");
    RuntimeTree::writeFile(directory + "/broken.ive", std::string(3000, '\x7f'));
    RuntimeTree::writeFile(directory + "/truncated.osg", "Group {\n  nodeMask 0xffffffff\n  Geode {\n");
    RuntimeTree::writeFile(directory + "/empty.3ds", "");
    fs::create_directories(directory + "/folder.ive");
    return {directory + "/notes.txt", directory + "/broken.ive", directory + "/truncated.osg",
            directory + "/empty.3ds", directory + "/folder.ive", directory + "/missing.osg"};
}

// The least resident memory over idle seconds in the starting state. The viewer hands freed heap
// back every 10 s of frames; in between, what llvmpipe's threads have freed stays resident and
// swings by several percent, so the span covers one return and its low point counts.
long settledResidentMemory(kelvosoak::InputStream& input, kelvosoak::MemorySampler& sampler,
                           double& at)
{
    input.returnToStartingState();
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const double from = sampler.samples().empty() ? 0.0 : sampler.samples().back().seconds + 0.001;
    for (int i = 0; i < 24; ++i) {
        sampler.sample();
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    at = sampler.samples().back().seconds;
    return sampler.minimum(from, at + 1.0);
}

} // namespace

int main()
{
    const double duration = setting("SOAK_SECONDS", 600.0);
    const double warmUp = setting("SOAK_WARMUP_SECONDS", duration / 5.0);
    const double allowedGrowth = setting("SOAK_MAX_GROWTH_PERCENT", 5.0);
    const unsigned seed = static_cast<unsigned>(setting("SOAK_SEED", std::random_device{}()));
    std::cout << "soak: " << duration << " s, warm-up " << warmUp << " s, seed " << seed << std::endl;

    kelvotest::ViewerSession viewer(1280, 1024, false, true);
    if (!viewer.server().running()) {
        std::cerr << "soak: no X server" << std::endl;
        return 2;
    }
    kelvotest::RuntimeTree& tree = viewer.tree();
    std::string configuration = tree.readConfiguration();
    const std::string::size_type water = configuration.find("enableWater=\"0\"");
    if (water != std::string::npos)
        configuration.replace(water, 15, "enableWater=\"1\"");
    tree.writeConfiguration(configuration);
    const std::string drops = tree.root() + "/Content/Drops";
    fs::create_directories(drops);
    const std::vector<std::string> validDrops = writeDropModels(drops);
    const std::vector<std::string> invalidDrops = writeBadDrops(drops);

    // The viewer inherits this process's environment.
    const char* threads = std::getenv("SOAK_RASTERIZER_THREADS");
    const std::string rasterizerThreads = threads && *threads ? threads : "0";
    if (rasterizerThreads == "auto")
        ::unsetenv("LP_NUM_THREADS");
    else
        ::setenv("LP_NUM_THREADS", rasterizerThreads.c_str(), 1);
    std::cout << "soak: rasterizer threads " << rasterizerThreads << std::endl;
    const ::testing::AssertionResult started = viewer.start();
    if (!started) {
        std::cerr << "soak: no window or no frame: " << started.message() << std::endl;
        return 1;
    }
    const pid_t pid = kelvosoak::MemorySampler::find("KELVOview", tree.bin());
    if (pid < 0) {
        std::cerr << "soak: cannot find the viewer's process" << std::endl;
        return 1;
    }
    // A process that has ended has no resident memory left to read, even before it is reaped.
    const auto alive = [pid] { return kelvosoak::MemorySampler::residentKilobytes(pid) >= 0; };
    kelvotest::XdndTestSource dropSource(viewer.server().display());
    kelvosoak::MemorySampler sampler(pid);
    kelvosoak::InputStream input(viewer, dropSource, seed, validDrops, invalidDrops);
    input.setAlternatives(modelsPerLayer(configuration));
    sampler.sample();
    std::cout << "soak: KELVOview " << pid << " started, " << sampler.samples().back().kilobytes << " kB resident"
              << std::endl;

    const auto start = Clock::now();
    const auto elapsed = [&] { return std::chrono::duration<double>(Clock::now() - start).count(); };
    auto lastSample = Clock::now();
    const auto sampleEveryFewSeconds = [&] {
        if (Clock::now() - lastSample >= std::chrono::seconds(2)) {
            sampler.sample();
            lastSample = Clock::now();
        }
    };

    input.dropEveryValidFileOnce();
    input.tourEveryDrawingState();
    bool ok = true;
    while (elapsed() < warmUp && (ok = alive())) {
        input.sendOne();
        sampleEveryFewSeconds();
    }
    double warmUpEnd = 0.0;
    const long warm = ok ? settledResidentMemory(input, sampler, warmUpEnd) : -1;
    if (ok)
        std::cout << "soak: warm-up done after " << input.total() << " inputs, " << warm << " kB resident"
                  << std::endl;
    // Growth after the warm-up, put down to the input sent just before it was seen. The viewer
    // draws on its own threads, so this points at a kind of input rather than proving it.
    std::map<std::string, long> growthAfter;
    long before = kelvosoak::MemorySampler::residentKilobytes(pid);
    while (ok && elapsed() < duration && (ok = alive())) {
        input.sendOne();
        sampleEveryFewSeconds();
        const long now = kelvosoak::MemorySampler::residentKilobytes(pid);
        if (now - before >= 1024) {
            growthAfter[input.last()] += now - before;
            if (now - before >= 8192)
                std::printf("soak: %+ld kB after %s at %.0f s\n", now - before, input.last().c_str(), elapsed());
        }
        if (now > 0)
            before = now;
    }
    double finalAt = 0.0;
    const long settledAtEnd = ok && alive() ? settledResidentMemory(input, sampler, finalAt) : -1;
    const long most = sampler.maximum(warmUpEnd);

    // Escape, and the viewer must end with status 0.
    const ::testing::AssertionResult stopped =
        alive() ? viewer.stop() : ::testing::AssertionFailure() << "ended before Escape";
    const std::string log = viewer.output();
    std::printf("soak: inputs sent: %u\n", input.total());
    for (const auto& entry : input.counts())
        std::printf("soak:   %-26s %u\n", entry.first.c_str(), entry.second);
    std::printf("soak: viewer said \"Laddar\" %u times, \"Unsupported file dropped\" %u times, "
                "\"Unable to load model\" %u times\n",
                kelvotest::occurrences(log, "Laddar "),
                kelvotest::occurrences(log, "Unsupported file dropped"),
                kelvotest::occurrences(log, "Unable to load model"));
    const double growth = warm > 0 && settledAtEnd > 0 ? 100.0 * (settledAtEnd - warm) / warm : 0.0;
    const double peak = warm > 0 && most > 0 ? 100.0 * (most - warm) / warm : 0.0;
    std::printf("soak: resident memory: warm-up end %ld kB, maximum after it %ld kB (%+.1f %%), final %ld kB\n",
                warm, most, peak, settledAtEnd);
    std::printf("soak: growth after warm-up %+.2f %% (allowed %.1f %%), %zu samples\n", growth, allowedGrowth,
                sampler.samples().size());
    std::vector<std::pair<long, std::string>> growthByInput;
    for (const auto& entry : growthAfter)
        growthByInput.emplace_back(entry.second, entry.first);
    std::sort(growthByInput.rbegin(), growthByInput.rend());
    if (!growthByInput.empty())
        std::printf("soak: growth after warm-up by the input just before it (steps of 1 MB or more):\n");
    for (std::size_t i = 0; i < growthByInput.size() && i < 12; ++i)
        std::printf("soak:   %+8ld kB  %s\n", growthByInput[i].first, growthByInput[i].second.c_str());

    bool passed = true;
    if (!ok || settledAtEnd < 0) {
        std::printf("soak: FAILED: the viewer ended during the run\n");
        passed = false;
    }
    if (!stopped) {
        const std::string why = stopped.message();
        std::printf("soak: FAILED: %s\n", why.substr(0, why.find('\n')).c_str());
        passed = false;
    }
    if (growth > allowedGrowth) {
        std::printf("soak: FAILED: resident memory grew by %.2f %%\n", growth);
        passed = false;
    }
    if (!passed) {
        const std::string tail = log.size() > 4000 ? log.substr(log.size() - 4000) : log;
        std::printf("soak: end of the viewer's output:\n%s\n", tail.c_str());
        return 1;
    }
    std::printf("soak: passed\n");
    return 0;
}
