#include <Maris/MemObject.h>

#include <Maris/Memory.h>

namespace Maris {

void* MemObject::operator new(std::size_t bytes)
{
    void* block = AllocateMemory(bytes);
    if (!block)
        throw std::bad_alloc();
    return block;
}

void* MemObject::operator new[](std::size_t bytes)
{
    return operator new(bytes);
}

void MemObject::operator delete(void* block) noexcept
{
    FreeMemory(block);
}

void MemObject::operator delete[](void* block) noexcept
{
    FreeMemory(block);
}

} // namespace Maris
