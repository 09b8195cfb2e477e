#pragma once

#include <cstddef>

namespace Maris {

// Raw library memory from the current allocator. Each block remembers the allocator it came from,
// so FreeMemory returns it there even if the host has installed another allocator meanwhile.
// Blocks are aligned for any fundamental type. Null is returned only if the allocator fails.
void* AllocateMemory(std::size_t bytes);
// Null is ignored.
void FreeMemory(void* block);

} // namespace Maris
