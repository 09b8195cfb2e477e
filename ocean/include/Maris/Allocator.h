#pragma once

#include <cstddef>

namespace Maris {

// Source of all memory the library uses. A host may install its own allocator to account for or
// place the library's memory; blocks always return to the allocator that handed them out, so the
// current allocator may be changed at any time.
class Allocator
{
public:
    virtual ~Allocator();
    virtual void* Allocate(std::size_t bytes) = 0;
    virtual void Free(void* block) = 0;

    // The allocator that new library memory comes from; the default allocator at start.
    static Allocator* GetCurrent();
    // Installs the allocator for future allocations; null reinstates the default one.
    static void SetCurrent(Allocator* allocator);
    static Allocator* GetDefault();
};

} // namespace Maris
