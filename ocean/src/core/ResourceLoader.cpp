#include <Maris/ResourceLoader.h>

#include <Maris/Memory.h>
#include <Maris/Message.h>

#include <cstdio>
#include <sys/stat.h>

namespace Maris {

namespace {

bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

} // namespace

ResourceLoader::ResourceLoader(const char* path, bool useAddDllDirectory)
    : hasDirectory(false)
{
    if (!path) {
        Message("Null path passed into ResourceLoader constructor");
        return;
    }
    SetResourceDirectory(path, useAddDllDirectory);
}

ResourceLoader::~ResourceLoader() = default;

String ResourceLoader::CollapseSeparators(const String& path)
{
    String collapsed;
    collapsed.reserve(path.size());
    for (char c : path) {
        if (IsSeparator(c) && !collapsed.empty() && IsSeparator(collapsed.back()))
            continue;
        collapsed += c;
    }
    return collapsed;
}

void ResourceLoader::SetResourceDirectory(const char* path, bool)
{
    if (!path)
        return;
    String withSeparator(path);
    withSeparator += '/';
    directory = CollapseSeparators(withSeparator);
    // A path ending in "\\" keeps that as the first separator of its run; the stored directory
    // still ends with "/".
    directory.back() = '/';
    hasDirectory = true;
}

const char* ResourceLoader::GetResourceDirectory() const
{
    return hasDirectory ? directory.c_str() : nullptr;
}

bool ResourceLoader::LoadResource(const char* name, char*& data, std::size_t& size, bool text)
{
    data = nullptr;
    size = 0;

    String path(directory);
    path += '/';
    if (name)
        path += name;
    path = CollapseSeparators(path);
    // Backslashes are directory separators to the library but not to this file system.
    for (char& c : path) {
        if (c == '\\')
            c = '/';
    }

    auto reportFailure = [&path]() {
        Message("Failed to load the following resource:");
        Message(path.c_str());
        return false;
    };

    // A loader built without a directory has nowhere to read from.
    if (!name || !hasDirectory)
        return reportFailure();

    std::FILE* file = std::fopen(path.c_str(), text ? "rt" : "rb");
    if (!file)
        return reportFailure();

    // A directory opens fine here but has no length to read.
    struct stat status;
    if (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode) ||
        std::fseek(file, 0, SEEK_END) != 0) {
        std::fclose(file);
        return reportFailure();
    }
    const long length = std::ftell(file);
    if (length < 0) {
        std::fclose(file);
        return reportFailure();
    }
    std::rewind(file);

    const std::size_t capacity = static_cast<std::size_t>(length) + (text ? 1 : 0);
    char* buffer = static_cast<char*>(AllocateMemory(capacity > 0 ? capacity : 1));
    const std::size_t bytesRead = std::fread(buffer, 1, static_cast<std::size_t>(length), file);
    std::fclose(file);

    size = bytesRead;
    if (text) {
        buffer[bytesRead] = '\0';
        ++size;
    }
    data = buffer;
    return true;
}

void ResourceLoader::FreeResource(char* data)
{
    FreeMemory(data);
}

} // namespace Maris
