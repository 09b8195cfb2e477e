#pragma once

#include <string>

namespace osgKELVO {

// The program expects its working directory to be Bin, beside Resources and Content. Started from
// elsewhere, it moves there when the executable's own directory has that layout.
class RuntimeDirectory
{
public:
    // argv0 is only a fallback when the executable cannot be found through /proc.
    static void enterProgramDirectory(const char* argv0);

    // The directory of the running executable, or an empty string when it cannot be found.
    static std::string executableDirectory(const char* argv0);
};

} // namespace osgKELVO
