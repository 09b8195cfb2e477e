#pragma once

#include <Maris/Memory.h>

#include <cstddef>
#include <new>

namespace Maris {

// Lets the standard containers take their memory from the library's allocator. Stateless: every
// block knows its own allocator, so all instances compare equal.
template <typename T>
class StlAllocator
{
public:
    using value_type = T;

    StlAllocator() noexcept = default;
    template <typename U>
    StlAllocator(const StlAllocator<U>&) noexcept
    {
    }

    T* allocate(std::size_t count)
    {
        void* block = AllocateMemory(count * sizeof(T));
        if (!block)
            throw std::bad_alloc();
        return static_cast<T*>(block);
    }

    void deallocate(T* block, std::size_t) noexcept { FreeMemory(block); }

    template <typename U>
    bool operator==(const StlAllocator<U>&) const noexcept
    {
        return true;
    }
    template <typename U>
    bool operator!=(const StlAllocator<U>&) const noexcept
    {
        return false;
    }
};

} // namespace Maris
