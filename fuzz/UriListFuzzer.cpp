// Drop selections as a file manager would send them, decoded for this machine and for one with no
// name. A decoded path is an absolute local path that C file functions can take whole.

#include "desktop/UriListDecoder.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "uri list: %s\n", what);
        std::abort();
    }
}

void decodeWith(const osgKELVO::UriListDecoder& decoder, const std::string& list)
{
    const osgKELVO::UriListDecoder::Result result = decoder.decode(list);
    for (const std::string& path : result.paths) {
        check(!path.empty() && path[0] == '/', "a decoded path is not absolute");
        check(path.find('\0') == std::string::npos, "a decoded path holds a NUL byte");
    }
    for (const std::string& uri : result.ignored)
        check(!uri.empty(), "an empty line is reported as an ignored URI");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const osgKELVO::UriListDecoder named("fuzzhost.example.org");
    static const osgKELVO::UriListDecoder unnamed("");
    const std::string list(reinterpret_cast<const char*>(data), size);
    decodeWith(named, list);
    decodeWith(unnamed, list);
    return 0;
}
