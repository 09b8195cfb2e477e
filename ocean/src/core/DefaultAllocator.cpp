#include "core/DefaultAllocator.h"

#include <cstdlib>

namespace Maris {

void* DefaultAllocator::Allocate(std::size_t bytes)
{
    return std::malloc(bytes);
}

void DefaultAllocator::Free(void* block)
{
    std::free(block);
}

} // namespace Maris
