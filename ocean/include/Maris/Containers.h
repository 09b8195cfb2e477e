#pragma once

#include <Maris/StlAllocator.h>

#include <list>
#include <sstream>
#include <string>
#include <vector>

namespace Maris {

// The library's strings and containers; their storage comes from the library's allocator.
using String = std::basic_string<char, std::char_traits<char>, StlAllocator<char>>;
using InputStringStream = std::basic_istringstream<char, std::char_traits<char>, StlAllocator<char>>;
template <typename T>
using Vector = std::vector<T, StlAllocator<T>>;
template <typename T>
using List = std::list<T, StlAllocator<T>>;

} // namespace Maris
