#pragma once

#include <string>

// Writes "Maris.config": every setting the ocean library reads at its built-in default, each with
// a one-line explanation, so that the file documents the tunables and changes nothing by itself.
bool writeConfigurationFile(const std::string& path);
