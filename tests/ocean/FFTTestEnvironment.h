#pragma once

#include "TemporaryDirectory.h"

#include <Maris/Environment.h>
#include <Maris/ResourceLoader.h>

#include <memory>
#include <string>

// An initialized ocean environment on a scratch resource directory holding the given Maris.config
// text; engine libraries can be placed in its lib/ folder.
class FFTTestEnvironment
{
public:
    explicit FFTTestEnvironment(const std::string& configuration,
                                Maris::Renderer renderer = Maris::NoRenderer,
                                void* device = nullptr);
    ~FFTTestEnvironment();
    FFTTestEnvironment(const FFTTestEnvironment&) = delete;
    FFTTestEnvironment& operator=(const FFTTestEnvironment&) = delete;

    bool initialized() const { return result == Maris::EnvironmentInitialized; }
    Maris::Environment& environment() { return *env; }
    Maris::ResourceLoader& loader() { return *resourceLoader; }
    // Copies the library file into lib/ as lib<name>.so and returns the copy's path.
    std::string installEngineLibrary(const std::string& source, const std::string& name) const;
    std::string libraryPath(const std::string& name) const;

private:
    TemporaryDirectory directory;
    Maris::ResourceLoader* resourceLoader = nullptr;
    Maris::Environment* env = nullptr;
    Maris::EnvironmentError result = Maris::ConfigurationNotLoaded;
};

// Whether the library of that path is mapped into this process (without loading it).
bool isLibraryLoaded(const std::string& path);
