#include <Maris/Allocator.h>

#include "core/DefaultAllocator.h"

#include <atomic>

namespace Maris {

namespace {

// A function-local static would be destroyed at exit while library objects with static storage
// may still free into it; the default allocator has no state, so it simply lives forever.
DefaultAllocator& DefaultInstance()
{
    static DefaultAllocator* instance = new DefaultAllocator;
    return *instance;
}

std::atomic<Allocator*>& CurrentSlot()
{
    static std::atomic<Allocator*> current{&DefaultInstance()};
    return current;
}

} // namespace

Allocator::~Allocator() = default;

Allocator* Allocator::GetCurrent()
{
    return CurrentSlot().load();
}

void Allocator::SetCurrent(Allocator* allocator)
{
    CurrentSlot().store(allocator ? allocator : &DefaultInstance());
}

Allocator* Allocator::GetDefault()
{
    return &DefaultInstance();
}

} // namespace Maris
