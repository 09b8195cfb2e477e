#pragma once

#include <Maris/Containers.h>

namespace Maris {

class ResourceLoader;

// The optional FFT engine libraries beside the resources, opened by full path with dlopen. Each
// is loaded at most once per process and stays loaded.
class EngineLibrary
{
public:
    // resource directory + "lib/lib" + name + ".so", for example .../Maris/lib/libMarisIPP.so.
    static String PathFor(ResourceLoader* loader, const char* name);
    // The handle of the loaded library; null with the system's text in error when it fails.
    static void* Load(const String& path, String& error);
    // Whether the library of that path is loaded in this process already.
    static bool IsLoaded(const String& path);
    static void* Symbol(void* handle, const char* name);
    // Whether a vendor runtime can be opened (and, when symbol is not null, exports it). The
    // runtime is closed again after the probe.
    static bool Probe(const char* file, const char* symbol);
    // "(INFO) Failed to load the <name> dll.", the system's text, the path announcement and the
    // path, as four messages.
    static void ReportLoadFailure(const char* name, const String& error, const String& path);

    EngineLibrary() = delete;
};

} // namespace Maris
