#pragma once

#include <Maris/Allocator.h>

namespace Maris {

// The allocator in effect unless a host installs another: the C runtime's heap.
class DefaultAllocator : public Allocator
{
public:
    void* Allocate(std::size_t bytes) override;
    void Free(void* block) override;
};

} // namespace Maris
