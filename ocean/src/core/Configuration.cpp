#include "core/Configuration.h"

#include "core/ConfigEntry.h"
#include <Maris/Containers.h>
#include <Maris/Memory.h>
#include <Maris/Message.h>
#include <Maris/ResourceLoader.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <unordered_map>

namespace Maris {

namespace {

// FNV-1a; the table only needs a reasonable spread, lookups compare the whole key.
struct KeyHash
{
    std::size_t operator()(const String& key) const noexcept
    {
        std::size_t hash = 14695981039346656037ull;
        for (unsigned char c : key) {
            hash ^= c;
            hash *= 1099511628211ull;
        }
        return hash;
    }
};

using Table = std::unordered_map<String, ConfigEntry, KeyHash, std::equal_to<String>,
                                 StlAllocator<std::pair<const String, ConfigEntry>>>;

// Created on first use and destroyed when emptied, so an empty configuration holds no memory.
Table* table = nullptr;
int referenceCount = 0;

// The entries of the library's keys (ConfigurationKeys.def) by key index, so that reading one, as
// some readers do every frame, is an array access; filled as keys are set and emptied with the
// table. Entries of an unordered map stay where they are when it grows or a value is replaced.
const ConfigEntry* entriesByKey[ConfigurationKeyIndex::Count] = {};

const char* const configurationFileName = "Maris.config";
const std::size_t longestLine = 1023;

// The index of one of the library's keys, or Count for any other key; only setting a key searches.
std::size_t KeyIndex(const char* key)
{
    for (std::size_t index = 0; index < ConfigurationKeyIndex::Count; ++index)
        if (std::strcmp(configurationKeyTexts[index].name, key) == 0)
            return index;
    return ConfigurationKeyIndex::Count;
}

template <typename T>
T ValueOrFallback(const ConfigurationKey<T>& key, T ConfigEntry::*field)
{
    const ConfigEntry* entry = entriesByKey[key.index];
    return entry ? entry->*field : key.fallback;
}

Table& CreateTable()
{
    if (!table) {
        void* block = AllocateMemory(sizeof(Table));
        if (!block)
            throw std::bad_alloc();
        table = new (block) Table;
    }
    return *table;
}

} // namespace

void Configuration::Clear()
{
    if (!table)
        return;
    table->~Table();
    FreeMemory(table);
    table = nullptr;
    std::fill(std::begin(entriesByKey), std::end(entriesByKey), nullptr);
}

bool Configuration::Load(ResourceLoader* loader)
{
    if (!loader)
        return false;

    ++referenceCount;
    if (referenceCount > 1)
        return true;

    if (!ReadConfigurationFile(loader)) {
        Message("Could not load Maris.config from the given resources directory.");
        // A failed load holds no reference; otherwise the next load would find a count above one
        // and take the empty table for a loaded one.
        --referenceCount;
        return false;
    }
    return true;
}

void Configuration::Unload()
{
    // The count never goes below zero, so releasing more often than loading cannot make a later
    // load skip the file.
    if (referenceCount > 0)
        --referenceCount;
    if (referenceCount == 0)
        Clear();
}

int Configuration::GetReferenceCount()
{
    return referenceCount;
}

std::size_t Configuration::GetEntryCount()
{
    return table ? table->size() : 0;
}

void Configuration::SetConfigEntry(const char* key, const char* value)
{
    if (!key || !value)
        return;
    // A later assignment replaces an earlier one.
    const auto [entry, inserted] = CreateTable().insert_or_assign(String(key), ConfigEntry(value));
    if (inserted) {
        const std::size_t index = KeyIndex(key);
        if (index < ConfigurationKeyIndex::Count)
            entriesByKey[index] = &entry->second;
    }
}

bool Configuration::ReadConfigurationFile(ResourceLoader* loader)
{
    Clear();

    char* text = nullptr;
    std::size_t size = 0;
    if (!loader->LoadResource(configurationFileName, text, size, true))
        return false;

    char line[longestLine + 1];
    // The loader counts the terminating zero it appends. The size, not the first zero byte, ends
    // the text: a NUL inside the file is one more control character that vanishes.
    const char* cursor = text;
    const char* end = text + (size > 0 ? size - 1 : 0);
    int lineNumber = 0;
    while (cursor < end) {
        ++lineNumber;
        const char* lineEnd = static_cast<const char*>(std::memchr(cursor, '\n', end - cursor));
        if (!lineEnd)
            lineEnd = end;
        // Over-long lines are cut; the rest of such a line is dropped, the next line still read.
        std::size_t length = static_cast<std::size_t>(lineEnd - cursor);
        if (length > longestLine) {
            length = longestLine;
            char report[128];
            std::snprintf(report, sizeof(report),
                          "Maris.config line %d is longer than %d characters; only its first %d are read",
                          lineNumber, static_cast<int>(longestLine), static_cast<int>(longestLine));
            Message(report);
        }
        std::size_t kept = 0;
        for (std::size_t i = 0; i < length; ++i)
            if (cursor[i] != '\0')
                line[kept++] = cursor[i];
        line[kept] = '\0';
        if (!ParseLine(line)) {
            char report[128];
            std::snprintf(report, sizeof(report),
                          "Maris.config line %d has no \"=\" and is ignored", lineNumber);
            Message(report);
        }
        cursor = lineEnd + 1;
    }

    loader->FreeResource(text);
    return true;
}

bool Configuration::ParseLine(char* line)
{
    // Only printable ASCII other than blank and "~" survives, wherever it stands: blanks around
    // "=" vanish, and so do control characters, DEL and every byte above 127.
    char* out = line;
    for (const char* in = line; *in; ++in) {
        const signed char c = static_cast<signed char>(*in);
        if (c > 32 && c < 126)
            *out++ = *in;
    }
    *out = '\0';

    if (line[0] == '\0' || line[0] == '#')
        return true;

    // A line without "=" is a mistake; a key with an empty value names a setting without setting it.
    const bool hasEquals = std::strchr(line, '=') != nullptr;
    char* context = nullptr;
    const char* key = strtok_r(line, "=", &context);
    const char* value = strtok_r(nullptr, "=", &context);
    if (key && value)
        SetConfigEntry(key, value);
    return hasEquals;
}

const ConfigEntry* Configuration::GetConfigEntry(const char* key)
{
    if (!table || table->empty())
        return nullptr;
    if (!key) {
        Message("Null configuration key received in Configuration::GetConfigEntry");
        return nullptr;
    }
    auto it = table->find(String(key));
    return it == table->end() ? nullptr : &it->second;
}

bool Configuration::Get(const ConfigurationKey<bool>& key)
{
    return ValueOrFallback(key, &ConfigEntry::booleanValue);
}

int Configuration::Get(const ConfigurationKey<int>& key)
{
    return ValueOrFallback(key, &ConfigEntry::integerValue);
}

float Configuration::Get(const ConfigurationKey<float>& key)
{
    return ValueOrFallback(key, &ConfigEntry::floatValue);
}

double Configuration::Get(const ConfigurationKey<double>& key)
{
    return ValueOrFallback(key, &ConfigEntry::doubleValue);
}

const char* Configuration::Get(const ConfigurationKey<const char*>& key)
{
    const ConfigEntry* entry = entriesByKey[key.index];
    return entry ? entry->text.c_str() : key.fallback;
}

bool Configuration::GetIntValue(const char* key, int& value)
{
    const ConfigEntry* entry = GetConfigEntry(key);
    if (!entry)
        return false;
    value = entry->integerValue;
    return true;
}

bool Configuration::GetFloatValue(const char* key, float& value)
{
    const ConfigEntry* entry = GetConfigEntry(key);
    if (!entry)
        return false;
    value = entry->floatValue;
    return true;
}

bool Configuration::GetDoubleValue(const char* key, double& value)
{
    const ConfigEntry* entry = GetConfigEntry(key);
    if (!entry)
        return false;
    value = entry->doubleValue;
    return true;
}

bool Configuration::GetBoolValue(const char* key, bool& value)
{
    const ConfigEntry* entry = GetConfigEntry(key);
    if (!entry)
        return false;
    value = entry->booleanValue;
    return true;
}

bool Configuration::GetStringValue(const char* key, const char*& value)
{
    const ConfigEntry* entry = GetConfigEntry(key);
    if (!entry)
        return false;
    value = entry->text.c_str();
    return true;
}

} // namespace Maris
