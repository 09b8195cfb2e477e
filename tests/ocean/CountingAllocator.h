#pragma once

#include <Maris/Allocator.h>

#include <algorithm>
#include <cstdlib>
#include <set>

// Hands out heap blocks and remembers which are live, so a test can tell whether every block came
// back, whether anything came back that it never handed out, and the largest block asked for.
// It is the current allocator for its lifetime.
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
