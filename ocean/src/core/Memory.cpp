#include <Maris/Memory.h>

#include <Maris/Allocator.h>

namespace Maris {

namespace {

// Sits in front of every block; its size keeps the block behind it maximally aligned.
struct alignas(std::max_align_t) BlockHeader
{
    Allocator* owner;
};

} // namespace

void* AllocateMemory(std::size_t bytes)
{
    Allocator* allocator = Allocator::GetCurrent();
    void* raw = allocator->Allocate(sizeof(BlockHeader) + bytes);
    if (!raw)
        return nullptr;
    BlockHeader* header = static_cast<BlockHeader*>(raw);
    header->owner = allocator;
    return header + 1;
}

void FreeMemory(void* block)
{
    if (!block)
        return;
    BlockHeader* header = static_cast<BlockHeader*>(block) - 1;
    header->owner->Free(header);
}

} // namespace Maris
