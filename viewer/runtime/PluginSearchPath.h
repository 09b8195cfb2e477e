#pragma once

#include <string>

namespace osgKELVO {

// The program ships loader plug-ins of its own (zip archives; glTF, FBX and IFC) in
// Bin/osgPlugins-<version>/, next to the executable, where the system's plug-in folder is not
// ours to write. Putting the executable's directory first on the registry's library path makes
// the registry find them there, in the staged tree and in an installed one alike. They are loaded
// at once: the registry looks for a plug-in by the name of a file's extension, and one of them
// reads several extensions.
class PluginSearchPath
{
public:
    static void addProgramDirectory(const char* argv0);
    static void addDirectory(const std::string& directory);
};

} // namespace osgKELVO
