#pragma once

namespace osgKELVO {

// The program ships loader plug-ins of its own (the zip archive loader) in
// Bin/osgPlugins-<version>/, next to the executable, where the system's plug-in folder is not
// ours to write. Putting the executable's directory first on the registry's library path makes
// the registry find them there, in the staged tree and in an installed one alike.
class PluginSearchPath
{
public:
    static void addProgramDirectory(const char* argv0);
};

} // namespace osgKELVO
