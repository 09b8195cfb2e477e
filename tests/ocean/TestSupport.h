#pragma once

#include <Maris/Message.h>

#include <string>
#include <vector>

// Receives the library's messages while it exists, and resets the configuration table before and
// after, so every test starts from the library's defaults.
class MessageCapture
{
public:
    struct Entry
    {
        Maris::MessageChannel channel;
        std::string line;
    };

    MessageCapture();
    ~MessageCapture();
    MessageCapture(const MessageCapture&) = delete;
    MessageCapture& operator=(const MessageCapture&) = delete;

    const std::vector<Entry>& entries() const { return received; }
    // The texts of the debug-channel messages, without "MARIS: " and the line feed.
    std::vector<std::string> texts() const;
    void clear() { received.clear(); }

    static void resetConfiguration();

private:
    std::vector<Entry> received;
};
