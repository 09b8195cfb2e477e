#pragma once

#include <Maris/Allocator.h>

#include <cstdlib>
#include <set>

// Hands out heap blocks and remembers which are live, so a test can tell whether every block came
// back, and whether anything came back that it never handed out.
class CountingAllocator : public Maris::Allocator
{
public:
    void* Allocate(std::size_t bytes) override
    {
        void* block = std::malloc(bytes);
        live.insert(block);
        ++allocations;
        return block;
    }
    void Free(void* block) override
    {
        if (live.erase(block) == 0)
            ++foreignFrees;
        ++frees;
        std::free(block);
    }

    std::set<void*> live;
    int allocations = 0;
    int frees = 0;
    int foreignFrees = 0;
};

// Makes the allocator current for its lifetime.
class CurrentAllocator
{
public:
    explicit CurrentAllocator(Maris::Allocator* allocator) { Maris::Allocator::SetCurrent(allocator); }
    ~CurrentAllocator() { Maris::Allocator::SetCurrent(nullptr); }
    CurrentAllocator(const CurrentAllocator&) = delete;
    CurrentAllocator& operator=(const CurrentAllocator&) = delete;
};
