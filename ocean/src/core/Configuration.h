#pragma once

#include "core/ConfigurationKeys.h"

#include <cstddef>

namespace Maris {

class ResourceLoader;
struct ConfigEntry;

// The process-wide table of tunables read from "Maris.config". Every environment holds one
// reference; the table is emptied when the last one is released.
//
// The library reads its keys with Get, by their ConfigKey constants: the file's value where it sets
// the key, the default of ConfigurationKeys.def otherwise. The getters by name write their out value
// only when the key is found, so their callers put the default in the variable first.
class Configuration
{
public:
    static bool Load(ResourceLoader* loader);
    static void Unload();

    static void SetConfigEntry(const char* key, const char* value);

    static bool Get(const ConfigurationKey<bool>& key);
    static int Get(const ConfigurationKey<int>& key);
    static float Get(const ConfigurationKey<float>& key);
    static double Get(const ConfigurationKey<double>& key);
    // The text stays valid until the entry is replaced or the table is emptied.
    static const char* Get(const ConfigurationKey<const char*>& key);

    static bool GetIntValue(const char* key, int& value);
    static bool GetFloatValue(const char* key, float& value);
    static bool GetDoubleValue(const char* key, double& value);
    static bool GetBoolValue(const char* key, bool& value);
    // The text stays valid until the entry is replaced or the table is emptied.
    static bool GetStringValue(const char* key, const char*& value);

    static int GetReferenceCount();
    static std::size_t GetEntryCount();

    Configuration() = delete;

private:
    static const ConfigEntry* GetConfigEntry(const char* key);
    static bool ReadConfigurationFile(ResourceLoader* loader);
    // False for a line that is neither blank nor a comment and holds no "=".
    static bool ParseLine(char* line);
    static void Clear();
};

} // namespace Maris
