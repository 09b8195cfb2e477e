#include "fft/FFTWisdom.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fftw3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Maris {

namespace {

bool MakeDirectories(const String& path)
{
    for (std::size_t slash = path.find('/', 1); ; slash = path.find('/', slash + 1)) {
        const String part = path.substr(0, slash);
        if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST)
            return false;
        if (slash == String::npos)
            return true;
    }
}

String DirectoryOf(const String& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == String::npos ? String(".") : path.substr(0, slash);
}

// The cache last imported and whether it was usable; a changed path is imported afresh.
String& ImportedPath()
{
    static String path;
    return path;
}
int importState = -1; // -1 not tried, 0 unusable, 1 usable

} // namespace

String FFTWisdom::GetPath()
{
    String path;
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache && *cache) {
        path = cache;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home)
            return path;
        path = home;
        path += "/.cache";
    }
    path += "/kelvoview/fftw-wisdom";
    return path;
}

bool FFTWisdom::Import()
{
    const String path = GetPath();
    if (importState >= 0 && path == ImportedPath())
        return importState == 1;
    ImportedPath() = path;
    importState = 0;
    if (path.empty())
        return false;
    if (access(path.c_str(), F_OK) == 0) {
        if (fftw_import_wisdom_from_filename(path.c_str()) != 0)
            importState = 1;
        return importState == 1;
    }
    const String directory = DirectoryOf(path);
    if (MakeDirectories(directory) && access(directory.c_str(), W_OK) == 0)
        importState = 1;
    return importState == 1;
}

bool FFTWisdom::Export()
{
    const String path = GetPath();
    if (path.empty() || !MakeDirectories(DirectoryOf(path)))
        return false;
    String temporary = path;
    temporary += ".";
    temporary += std::to_string(getpid()).c_str();
    if (fftw_export_wisdom_to_filename(temporary.c_str()) == 0) {
        std::remove(temporary.c_str());
        return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace Maris
