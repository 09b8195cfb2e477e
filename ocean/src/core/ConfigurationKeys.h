#pragma once

#include <cstddef>

// The keys of "Maris.config", made from the one table in ConfigurationKeys.def: the library reads
// each by its ConfigKey constant, and tools/maris-resources writes the shipped file from the texts.

namespace Maris {

// A key with the type its value is read as and the value that applies when the file does not set
// it.
template <typename T>
struct ConfigurationKey
{
    std::size_t index; // position in the table
    const char* name;
    T fallback;
};

// A key as the shipped file writes it.
struct ConfigurationKeyText
{
    const char* name;
    const char* value;
    const char* comment;
};

namespace ConfigurationKeyIndex {
enum : std::size_t {
#define MARIS_CONFIGURATION_KEY(identifier, name, type, value, comment) identifier,
#include "core/ConfigurationKeys.def"
    Count
};
} // namespace ConfigurationKeyIndex

namespace ConfigurationKeyType {
using Bool = bool;
using Int = int;
using Float = float;
using Double = double;
using String = const char*;
} // namespace ConfigurationKeyType

// A string's value is its text, so an empty one stays empty in the file too.
#define MARIS_CONFIGURATION_FALLBACK_Bool(value) value
#define MARIS_CONFIGURATION_FALLBACK_Int(value) value
#define MARIS_CONFIGURATION_FALLBACK_Float(value) value
#define MARIS_CONFIGURATION_FALLBACK_Double(value) value
#define MARIS_CONFIGURATION_FALLBACK_String(value) #value

namespace ConfigKey {
#define MARIS_CONFIGURATION_KEY(identifier, name, type, value, comment)                           \
    inline constexpr ConfigurationKey<ConfigurationKeyType::type> identifier{                     \
        ConfigurationKeyIndex::identifier, name, MARIS_CONFIGURATION_FALLBACK_##type(value)};
#include "core/ConfigurationKeys.def"
} // namespace ConfigKey

#undef MARIS_CONFIGURATION_FALLBACK_Bool
#undef MARIS_CONFIGURATION_FALLBACK_Int
#undef MARIS_CONFIGURATION_FALLBACK_Float
#undef MARIS_CONFIGURATION_FALLBACK_Double
#undef MARIS_CONFIGURATION_FALLBACK_String

// Indexed like the keys.
inline constexpr ConfigurationKeyText configurationKeyTexts[] = {
#define MARIS_CONFIGURATION_KEY(identifier, name, type, value, comment) {name, #value, comment},
#include "core/ConfigurationKeys.def"
};

} // namespace Maris
