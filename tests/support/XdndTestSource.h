#pragma once

#include "WindowProbe.h"

#include <chrono>
#include <string>
#include <vector>

namespace kelvotest {

// An X client that drags a URI list onto the first XdndAware window under a point of the screen
// (following XdndProxy) and drops it there as file managers do, sending the data on request,
// optionally in INCR pieces.
class XdndTestSource : public WindowProbe
{
public:
    struct Outcome
    {
        unsigned long target = 0; // the window found under the point, 0 if none
        int targetVersion = 0;
        bool statusReceived = false, accepted = false; // of the first XdndStatus
        std::string statusAction;                      // "" for None
        bool dataRequested = false;
        std::string requestedType;
        bool finishedReceived = false, finishedAccepted = false;
        std::string finishedAction;
        unsigned long statusTarget = 0, finishedTarget = 0; // their data.l[0]
    };

    struct Drag
    {
        int rootX = 0, rootY = 0;
        std::string uriList;
        std::vector<std::string> types{"text/uri-list"};
        int version = 5;
        std::string action = "XdndActionCopy";
        bool drop = true;       // false: hover, then leave
        unsigned incrChunk = 0; // non-zero: send the data in INCR pieces of this size
    };

    explicit XdndTestSource(const std::string& display);
    ~XdndTestSource();

    Outcome perform(const Drag& drag,
                    std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Centre of a window (a decimal or 0x id) in root coordinates.
    bool windowCentre(const std::string& window, int& rootX, int& rootY) const;
    // A file URI for a local path, every byte outside the unreserved set percent-encoded.
    static std::string fileUri(const std::string& path);

private:
    unsigned long window_ = 0;
};

} // namespace kelvotest
