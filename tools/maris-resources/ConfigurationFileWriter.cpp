#include "ConfigurationFileWriter.h"

#include "core/ConfigurationKeys.h"

#include <fstream>

bool writeConfigurationFile(const std::string& path)
{
    std::ofstream out(path, std::ios::binary);
    if (!out)
        return false;
    out << "# Maris ocean settings. Every line below holds the built-in default; edit a value to\n"
           "# change it, or delete the line to fall back to the default. Lines starting with # are\n"
           "# comments; blanks are ignored everywhere.\n";
    // The library's own table of keys, so the file names every key it reads with the value it
    // uses when the key is absent.
    for (const Maris::ConfigurationKeyText& key : Maris::configurationKeyTexts) {
        out << "\n# " << key.comment << "\n";
        out << key.name << " = " << key.value << "\n";
    }
    return static_cast<bool>(out);
}
