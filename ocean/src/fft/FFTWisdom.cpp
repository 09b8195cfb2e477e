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

// Per precision, the cache last imported and whether it was usable; a changed path is imported
// afresh.
String& ImportedPath(FFTWisdom::Precision precision)
{
    static String paths[2];
    return paths[precision];
}
int importState[2] = {-1, -1}; // -1 not tried, 0 unusable, 1 usable

} // namespace

String FFTWisdom::GetPath(Precision precision)
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
    path += precision == Single ? "/kelvoview/fftwf-wisdom" : "/kelvoview/fftw-wisdom";
    return path;
}

bool FFTWisdom::Import(Precision precision)
{
    const String path = GetPath(precision);
    int& state = importState[precision];
    if (state >= 0 && path == ImportedPath(precision))
        return state == 1;
    ImportedPath(precision) = path;
    state = 0;
    if (path.empty())
        return false;
    if (access(path.c_str(), F_OK) == 0) {
        const int read = precision == Single ? fftwf_import_wisdom_from_filename(path.c_str())
                                             : fftw_import_wisdom_from_filename(path.c_str());
        if (read != 0)
            state = 1;
        return state == 1;
    }
    const String directory = DirectoryOf(path);
    if (MakeDirectories(directory) && access(directory.c_str(), W_OK) == 0)
        state = 1;
    return state == 1;
}

bool FFTWisdom::Export(Precision precision)
{
    const String path = GetPath(precision);
    if (path.empty() || !MakeDirectories(DirectoryOf(path)))
        return false;
    String temporary = path;
    temporary += ".";
    temporary += std::to_string(getpid()).c_str();
    const int written = precision == Single
                            ? fftwf_export_wisdom_to_filename(temporary.c_str())
                            : fftw_export_wisdom_to_filename(temporary.c_str());
    if (written == 0) {
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
