#pragma once

#include <cstddef>
#include <new>

namespace Maris {

// Base of the library's classes: their instances live in memory from the library's allocator.
class MemObject
{
public:
    static void* operator new(std::size_t bytes);
    static void* operator new[](std::size_t bytes);
    static void operator delete(void* block) noexcept;
    static void operator delete[](void* block) noexcept;

    // Placement forms, so that containers and hosts can still construct in their own storage.
    static void* operator new(std::size_t, void* place) noexcept { return place; }
    static void operator delete(void*, void*) noexcept {}
};

} // namespace Maris
