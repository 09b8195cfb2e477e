#include "FFTTestEnvironment.h"

#include <dlfcn.h>
#include <fstream>
#include <sys/stat.h>

FFTTestEnvironment::FFTTestEnvironment(const std::string& configuration, Maris::Renderer renderer,
                                       void* device)
{
    directory.write("Maris.config", configuration);
    mkdir((directory.path() + "/lib").c_str(), 0755);
    resourceLoader = new Maris::ResourceLoader(directory.path().c_str(), false);
    env = new Maris::Environment();
    result = env->Initialize(Maris::FlatZUp, renderer, resourceLoader, device, false);
}

FFTTestEnvironment::~FFTTestEnvironment()
{
    delete env;
    delete resourceLoader;
}

std::string FFTTestEnvironment::libraryPath(const std::string& name) const
{
    return std::string(resourceLoader->GetResourceDirectory()) + "lib/lib" + name + ".so";
}

std::string FFTTestEnvironment::installEngineLibrary(const std::string& source,
                                                     const std::string& name) const
{
    const std::string target = libraryPath(name);
    std::ifstream in(source, std::ios::binary);
    std::ofstream out(target, std::ios::binary);
    out << in.rdbuf();
    return target;
}

bool isLibraryLoaded(const std::string& path)
{
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (!handle)
        return false;
    dlclose(handle);
    return true;
}
