#pragma once

#include <Maris/Containers.h>
#include <Maris/MemObject.h>

#include <cstddef>

namespace Maris {

// Reads the library's resource files (configuration, shaders, textures) from one directory.
class ResourceLoader : public MemObject
{
public:
    // useAddDllDirectory is kept for hosts written against other platforms; here the optional
    // engine libraries are opened by full path below the resource directory, so nothing is set.
    ResourceLoader(const char* path, bool useAddDllDirectory);
    virtual ~ResourceLoader();

    // Stores path + "/" with every run of separators ("/" or "\\" in any mix) reduced to its
    // first character; the stored directory always ends with "/".
    virtual void SetResourceDirectory(const char* path, bool useAddDllDirectory);
    // Null when the loader was built without a directory.
    virtual const char* GetResourceDirectory() const;

    // Reads the whole file into a buffer from the library allocator. In text mode a terminating
    // zero follows the data and is counted in size. On failure data is null, size 0, and the two
    // messages "Failed to load the following resource:" and the full path are reported.
    virtual bool LoadResource(const char* name, char*& data, std::size_t& size, bool text);
    // Frees a buffer from LoadResource; null is ignored.
    virtual void FreeResource(char* data);

private:
    static String CollapseSeparators(const String& path);

    String directory;
    bool hasDirectory;
};

} // namespace Maris
