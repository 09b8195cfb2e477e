#include "InputStream.h"

#include "ViewerSession.h"
#include "XdndTestSource.h"

#include <chrono>
#include <numeric>
#include <thread>

namespace kelvosoak {

namespace {

// Keys pressed once, from the key table, and a few that nothing is bound to.
const std::vector<std::string> pressedKeys = {
    "0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "F1", "F4", "F5", "F6", "F7", "F10", "Tab",
    "space", "plus", "minus", "KP_Add", "KP_Subtract", "Home", "End", "Up", "Down", "Left", "Right",
    "Page_Up", "Return", "x", "Shift_L"};
// Keys that move or turn the eye while held.
const std::vector<std::string> movementKeys = {"w", "s", "a", "d", "q", "z", "j", "l", "i", "k"};
// Keys that act while held: movement, turning, the pointer readout.
const std::vector<std::string> heldKeys = [] {
    std::vector<std::string> keys = movementKeys;
    keys.push_back("m");
    return keys;
}();

// Window-relative points that lie inside the window both windowed and in full screen.
const int areaWidth = 1000;
const int areaHeight = 740;

void pause(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // namespace

InputStream::InputStream(kelvotest::ViewerSession& viewer, kelvotest::XdndTestSource& dropSource,
                         unsigned seed, std::vector<std::string> validDrops,
                         std::vector<std::string> invalidDrops)
    : viewer_(viewer), dropSource_(dropSource), random_(seed), validDrops_(std::move(validDrops)),
      invalidDrops_(std::move(invalidDrops))
{
}

int InputStream::uniform(int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(random_);
}

unsigned InputStream::total() const
{
    return std::accumulate(counts_.begin(), counts_.end(), 0u,
                           [](unsigned sum, const auto& entry) { return sum + entry.second; });
}

void InputStream::record(const std::string& kind, const std::string& detail)
{
    ++counts_[kind];
    last_ = detail.empty() ? kind : kind + " " + detail;
}

void InputStream::pointerAt(int x, int y)
{
    viewer_.xdotool("mousemove --window " + viewer_.window() + " " + std::to_string(x) + " " + std::to_string(y));
}

void InputStream::sendOne()
{
    // Weights per kind, out of 100.
    const int roll = uniform(0, 99);
    if (roll < 30)
        pressKey();
    else if (roll < 40)
        pressModifiedDigit();
    else if (roll < 50)
        holdKey();
    else if (roll < 58)
        fly();
    else if (roll < 73)
        drag();
    else if (roll < 83)
        wheel();
    else if (roll < 86)
        toggleFullScreen();
    else if (roll < 88) {
        viewer_.xdotool("key F12");
        record("F12 screenshot");
    } else if (roll < 89) {
        // Saved at the home view, so that the home view stays the one of the start and Space
        // brings both memory measurements to the same view. Motion eases out for about a second
        // after a held key; it has to stop first.
        viewer_.xdotool("sleep 1.5 key space sleep 0.3 key F3");
        record("F3 save");
    } else if (roll < 91) {
        drop(validDrops_[uniform(0, int(validDrops_.size()) - 1)], "drop valid");
    } else {
        drop(invalidDrops_[uniform(0, int(invalidDrops_.size()) - 1)], "drop invalid");
    }
    pause(uniform(20, 300));
}

void InputStream::pressKey()
{
    pointerAt(uniform(0, areaWidth), uniform(0, areaHeight));
    const std::string& key = pressedKeys[uniform(0, int(pressedKeys.size()) - 1)];
    viewer_.xdotool("key " + key);
    ++presses_[key];
    record("key", key);
}

void InputStream::pressModifiedDigit()
{
    const char* modifier = uniform(0, 3) == 0 ? "ctrl+" : "alt+";
    const std::string keys = modifier + std::to_string(uniform(0, 9));
    viewer_.xdotool("key " + keys);
    ++presses_[keys.substr(keys.size() - 1) + " alternative"];
    record("modifier+digit", keys);
}

void InputStream::holdKey()
{
    const std::string& key = heldKeys[uniform(0, int(heldKeys.size()) - 1)];
    viewer_.xdotool("keydown " + key + " sleep " + std::to_string(uniform(5, 120) / 100.0) + " keyup " + key);
    record("held key", key);
}

void InputStream::fly()
{
    // A long flight away from home: one or two movement keys held together for seconds, through
    // the sea, under it and out over the land, as a user explores; only Space brings it back.
    const std::string first = movementKeys[uniform(0, int(movementKeys.size()) - 1)];
    const std::string second = uniform(0, 1) ? movementKeys[uniform(0, int(movementKeys.size()) - 1)] : first;
    const std::string keys = first == second ? first : first + " " + second;
    flight(keys, uniform(200, 800) / 100.0);
    record("flight", keys);
}

void InputStream::flight(const std::string& keys, double seconds)
{
    viewer_.xdotool("keydown " + keys + " sleep " + std::to_string(seconds) + " keyup " + keys);
}

void InputStream::drag()
{
    const int button = uniform(1, 3);
    std::string command = "mousemove --window " + viewer_.window() + " " + std::to_string(uniform(0, areaWidth)) +
                          " " + std::to_string(uniform(0, areaHeight)) + " mousedown " + std::to_string(button);
    for (int step = uniform(2, 8); step > 0; --step)
        command += " sleep 0.05 mousemove --window " + viewer_.window() + " " +
                   std::to_string(uniform(0, areaWidth)) + " " + std::to_string(uniform(0, areaHeight));
    command += " mouseup " + std::to_string(button);
    viewer_.xdotool(command);
    record("drag button " + std::to_string(button));
}

void InputStream::wheel()
{
    const int button = uniform(4, 5);
    viewer_.xdotool("click --repeat " + std::to_string(uniform(1, 5)) + " --delay 30 " + std::to_string(button));
    record(button == 4 ? "wheel up" : "wheel down");
}

void InputStream::toggleFullScreen()
{
    viewer_.xdotool("key F11");
    fullScreen_ = !fullScreen_;
    record("F11 full screen", fullScreen_ ? "on" : "off");
    // The window changes size; give it a moment before the next input.
    pause(500);
}

void InputStream::returnToWindowed()
{
    if (fullScreen_)
        toggleFullScreen();
}

void InputStream::drop(const std::string& path, const char* kind)
{
    int x = 0, y = 0;
    if (!dropSource_.windowCentre(viewer_.window(), x, y))
        return;
    kelvotest::XdndTestSource::Drag drag;
    drag.rootX = x;
    drag.rootY = y;
    drag.uriList = kelvotest::XdndTestSource::fileUri(path) + "\r\n";
    const kelvotest::XdndTestSource::Outcome outcome = dropSource_.perform(drag, std::chrono::seconds(4));
    std::string what = kind;
    if (!outcome.finishedReceived)
        what += outcome.dataRequested ? " (no finish in 4 s)" : " (not taken in 4 s)";
    record(what, path.substr(path.find_last_of('/') + 1));
}

void InputStream::press(const std::string& key, const char* kind)
{
    viewer_.xdotool("key " + key);
    ++presses_[key];
    record(kind, key);
}

void InputStream::returnToStartingState()
{
    returnToWindowed();
    // Keys that switch something on and off, and the polygon mode's cycle of three.
    const std::pair<const char*, unsigned> cycles[] = {{"F1", 2},  {"F4", 3},  {"F5", 2}, {"F6", 2}, {"F7", 2},
                                                       {"F10", 2}, {"Tab", 2}, {"0", 2},  {"1", 2},  {"2", 2},
                                                       {"3", 2},   {"4", 2},   {"5", 2},  {"6", 2},  {"7", 2},
                                                       {"8", 2},   {"9", 2}};
    for (const auto& cycle : cycles)
        while (presses_[cycle.first] % cycle.second != 0) {
            press(cycle.first, "restoring key");
            pause(300);
        }
    for (const auto& layer : alternatives_) {
        const std::string digit = std::to_string(layer.first);
        unsigned& shown = presses_[digit + " alternative"];
        while (layer.second > 1 && shown % layer.second != 0) {
            viewer_.xdotool("key alt+" + digit);
            ++shown;
            record("restoring key", "alt+" + digit);
            pause(300);
        }
    }
    // Motion eases out for about a second after a held key; let it stop before going home.
    pause(1500);
    press("space", "restoring key");
}

void InputStream::tourEveryDrawingState()
{
    // Gray code over lighting, textures and culling: one key per step.
    const char* toggles[] = {"F5", "F6", "F5", "F7", "F5", "F6", "F5", "F7"};
    for (int screen = 0; screen < 2; ++screen) {
        for (int polygonMode = 0; polygonMode < 3; ++polygonMode) {
            press("F4", "key");
            for (const char* toggle : toggles) {
                press(toggle, "key");
                pause(700);
            }
            for (int i = 0; i < 3; ++i)
                drag();
            wheel();
        }
        press("F1", "key");
        press("Tab", "key");
        pause(700);
        toggleFullScreen();
    }
}

void InputStream::dropEveryValidFileOnce()
{
    for (const std::string& path : validDrops_) {
        drop(path, "drop valid");
        pause(300);
    }
}

} // namespace kelvosoak
