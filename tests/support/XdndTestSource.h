#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace kelvotest {

// An X client that drags a URI list onto the first XdndAware window under a point of the screen
// (following XdndProxy) and drops it there as file managers do, sending the data on request,
// optionally in INCR pieces.
class XdndTestSource
{
public:
    struct Outcome
    {
        unsigned long target = 0;        // the window found under the point, 0 if none
        unsigned long messageWindow = 0; // where the messages went: the proxy or the target
        int targetVersion = 0;           // XdndAware of the target
        bool statusReceived = false;
        bool accepted = false;      // the last XdndStatus accepted the drop
        std::string statusAction;   // action named by that status ("" for None)
        bool dataRequested = false; // the target asked for the selection
        std::string requestedType;
        bool finishedReceived = false;
        bool finishedAccepted = false; // XdndFinished bit 0 (version 5)
        std::string finishedAction;
        unsigned long statusTarget = 0; // data.l[0] of the status
        unsigned long finishedTarget = 0;
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
    XdndTestSource(const XdndTestSource&) = delete;
    XdndTestSource& operator=(const XdndTestSource&) = delete;

    bool connected() const;
    Outcome perform(const Drag& drag,
                    std::chrono::milliseconds timeout = std::chrono::seconds(10));

    // Centre of a window in root coordinates (the window given as a decimal or 0x id).
    bool windowCentre(const std::string& window, int& rootX, int& rootY) const;

    // A file URI for a local path, every byte outside the unreserved set percent-encoded.
    static std::string fileUri(const std::string& path);

private:
    struct Session;
    std::unique_ptr<Session> session;
};

} // namespace kelvotest
