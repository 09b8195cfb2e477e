#include "runtime/ProgramRoot.h"

namespace osgKELVO {

std::string ProgramRoot::of(const std::string& workingDirectory)
{
    // Search components from the end: "/a/Bin/b/Bin" has its root at "/a/Bin/b/".
    std::string::size_type end = workingDirectory.size();
    while (end > 0) {
        while (end > 0 && workingDirectory[end - 1] == '/')
            --end;
        const std::string::size_type slash = workingDirectory.rfind('/', end == 0 ? 0 : end - 1);
        const std::string::size_type begin = slash == std::string::npos ? 0 : slash + 1;
        if (workingDirectory.compare(begin, end - begin, "Bin") == 0 && end - begin == 3)
            return workingDirectory.substr(0, begin);
        if (slash == std::string::npos)
            break;
        end = slash;
    }
    return std::string();
}

std::string ProgramRoot::storedPath(const std::string& filename, const std::string& workingDirectory)
{
    const std::string root = of(workingDirectory);
    if (root.empty() || filename.compare(0, root.size(), root) != 0)
        return filename;
    return "../" + filename.substr(root.size());
}

} // namespace osgKELVO
