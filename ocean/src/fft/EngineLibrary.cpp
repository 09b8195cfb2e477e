#include "fft/EngineLibrary.h"

#include <Maris/Message.h>
#include <Maris/ResourceLoader.h>

#include <dlfcn.h>
#include <mutex>
#include <utility>

namespace Maris {

namespace {

struct LoadedLibrary
{
    String path;
    void* handle;
};

// Engine libraries are never closed, so their code stays valid for every engine made from them.
List<LoadedLibrary>& LoadedLibraries()
{
    static List<LoadedLibrary> libraries;
    return libraries;
}

std::mutex& LibraryMutex()
{
    static std::mutex mutex;
    return mutex;
}

} // namespace

String EngineLibrary::PathFor(ResourceLoader* loader, const char* name)
{
    String path;
    if (loader && loader->GetResourceDirectory())
        path = loader->GetResourceDirectory();
    path += "lib/lib";
    path += name;
    path += ".so";
    return path;
}

void* EngineLibrary::Load(const String& path, String& error)
{
    std::lock_guard<std::mutex> lock(LibraryMutex());
    for (const LoadedLibrary& library : LoadedLibraries())
        if (library.path == path)
            return library.handle;
    void* handle = dlopen(path.c_str(), RTLD_NOW);
    if (!handle) {
        const char* reason = dlerror();
        error = reason ? reason : "unknown error";
        return nullptr;
    }
    LoadedLibraries().push_back(LoadedLibrary{path, handle});
    return handle;
}

bool EngineLibrary::IsLoaded(const String& path)
{
    std::lock_guard<std::mutex> lock(LibraryMutex());
    for (const LoadedLibrary& library : LoadedLibraries())
        if (library.path == path)
            return true;
    return false;
}

void* EngineLibrary::Symbol(void* handle, const char* name)
{
    return handle ? dlsym(handle, name) : nullptr;
}

bool EngineLibrary::Probe(const char* file, const char* symbol)
{
    void* handle = dlopen(file, RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return false;
    const bool present = !symbol || dlsym(handle, symbol) != nullptr;
    dlclose(handle);
    return present;
}

void EngineLibrary::ReportLoadFailure(const char* name, const String& error, const String& path)
{
    String failure = "(INFO) Failed to load the ";
    failure += name;
    failure += " dll.";
    Message(failure.c_str());
    Message(error.c_str());
    Message("The DLL path we attempted to load was:");
    Message(path.c_str());
}

} // namespace Maris
