#pragma once

#include <string>

namespace osgKELVO {

// The program root is the working directory up to its last path component named exactly "Bin".
// Models inside the program's tree are stored relative to Bin so that a saved configuration still
// finds them when the tree is moved.
class ProgramRoot
{
public:
    // The root including its trailing separator ("/opt/tool/" for "/opt/tool/Bin"), or an empty
    // string when no component of the directory is "Bin".
    static std::string of(const std::string& workingDirectory);

    // The path to save for a model file: "../" + the rest when the file lies under the root,
    // otherwise the file name unchanged.
    static std::string storedPath(const std::string& filename, const std::string& workingDirectory);
};

} // namespace osgKELVO
