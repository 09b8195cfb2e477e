#pragma once

#include <Maris/Allocator.h>
#include <Maris/Message.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

// Receives the library's messages while it exists; the configuration is reset before and after.
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

// A fresh directory under /tmp, removed with its contents when the object goes.
class TemporaryDirectory
{
public:
    TemporaryDirectory();
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    const std::string& path() const { return directory; }
    // Writes the bytes to a file of that name inside the directory.
    void write(const std::string& name, const std::string& bytes) const;

private:
    std::string directory;
};

// A TGA file: the 18-byte header, then the bytes (the image id first, where there is one).
std::string tga(int type, int width, int height, int bits, const std::string& data,
                int idLength = 0, int descriptor = 0);

// The current allocator while it exists: live blocks, foreign frees and the largest request.
class CountingAllocator : public Maris::Allocator
{
public:
    CountingAllocator() { Maris::Allocator::SetCurrent(this); }
    ~CountingAllocator() override { Maris::Allocator::SetCurrent(nullptr); }
    void* Allocate(std::size_t bytes) override
    {
        void* block = std::malloc(bytes ? bytes : 1);
        live.insert(block);
        ++allocations;
        largest = std::max(largest, bytes);
        return block;
    }
    void Free(void* block) override
    {
        foreignFrees += live.erase(block) == 0;
        ++frees;
        std::free(block);
    }

    std::set<void*> live;
    int allocations = 0;
    int frees = 0;
    int foreignFrees = 0;
    std::size_t largest = 0;
};
