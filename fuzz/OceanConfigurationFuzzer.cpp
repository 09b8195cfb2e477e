// "Maris.config" files read by the ocean library through its resource loader, every kind of value
// asked for, and the table emptied again when the last reference goes.

#include "ScratchDirectory.h"

#include "core/Configuration.h"
#include <Maris/ResourceLoader.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// Keys the library asks for, and some a file could hold by mistake.
const char* const keys[] = {"enable-debug-messages", "enable-debug-alert-messages", "shader-filename-prefix",
                            "fft-depth", "fft-grid-size", "gerstner-wave-count", "default-fog-color-above-r",
                            "", "#", "=", "a"};

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "ocean configuration: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const kelvofuzz::ScratchDirectory scratch;
    scratch.write("Maris.config", data, size);

    Maris::ResourceLoader loader(scratch.path().c_str(), false);
    check(Maris::Configuration::Load(&loader), "an existing file did not load");
    for (const char* key : keys) {
        int i = 0;
        float f = 0.0f;
        double d = 0.0;
        bool b = false;
        const char* text = nullptr;
        Maris::Configuration::GetIntValue(key, i);
        Maris::Configuration::GetFloatValue(key, f);
        Maris::Configuration::GetDoubleValue(key, d);
        Maris::Configuration::GetBoolValue(key, b);
        if (Maris::Configuration::GetStringValue(key, text)) {
            check(text != nullptr, "a found key without text");
            std::size_t length = 0;
            while (text[length] != '\0')
                ++length;
            check(length > 0, "a key with an empty value");
        }
    }
    Maris::Configuration::Unload();
    check(Maris::Configuration::GetReferenceCount() == 0, "a reference is left after unloading");
    check(Maris::Configuration::GetEntryCount() == 0, "entries are left after unloading");
    return 0;
}
