#pragma once

#include <map>
#include <random>
#include <string>
#include <vector>

namespace kelvotest {
class ViewerSession;
class XdndTestSource;
}

namespace kelvosoak {

// A random stream of real X input into the viewer's window: the keys of the key table, held
// navigation keys, drags with each mouse button, the wheel, and files dropped from a drag source.
// Counts what it sent, by kind.
class InputStream
{
public:
    InputStream(kelvotest::ViewerSession& viewer, kelvotest::XdndTestSource& dropSource,
                unsigned seed, std::vector<std::string> validDrops,
                std::vector<std::string> invalidDrops);

    // Sends one input chosen at random.
    void sendOne();
    // Drops every valid file once, so that later drops of them come from the loaded models.
    void dropEveryValidFileOnce();
    // Visits every combination of the state keys (polygon mode, lighting, textures, culling),
    // windowed and in full screen, with drags and wheel in each polygon mode: the first visit of a
    // state fills caches of the renderer, which must not count as growth later.
    void tourEveryDrawingState();
    // Holds movement keys ("w", "w j") together for that long.
    void flight(const std::string& keys, double seconds);
    // Leaves full screen if the inputs so far left the window there.
    void returnToWindowed();

    // Windowed, every switch and cycle key back where it started, the first alternative of each
    // layer shown, at the home view: the same picture, so that the renderer's working set for it is
    // the same too.
    void returnToStartingState();

    // How many models each layer has to cycle through with a modifier and its digit. Layers not
    // named are left as they are.
    void setAlternatives(std::map<int, unsigned> modelsPerLayer) { alternatives_ = std::move(modelsPerLayer); }

    const std::map<std::string, unsigned>& counts() const { return counts_; }
    unsigned total() const;
    // The input sent last, with its key or file: "key F4", "drop invalid broken.ive".
    const std::string& last() const { return last_; }

private:
    void pressKey();
    void pressModifiedDigit();
    void holdKey();
    void fly();
    void drag();
    void wheel();
    void toggleFullScreen();
    void drop(const std::string& path, const char* kind);
    void pointerAt(int x, int y);
    void press(const std::string& key, const char* kind);
    int uniform(int low, int high);
    void record(const std::string& kind, const std::string& detail = "");

    kelvotest::ViewerSession& viewer_;
    kelvotest::XdndTestSource& dropSource_;
    std::mt19937 random_;
    std::vector<std::string> validDrops_;
    std::vector<std::string> invalidDrops_;
    std::map<std::string, unsigned> counts_;
    bool fullScreen_ = false;
    std::map<std::string, unsigned> presses_;
    std::map<int, unsigned> alternatives_;
    std::string last_;
};

} // namespace kelvosoak
