#include "MasterModelChooser.h"

namespace osgKELVO {

bool MasterModelChooser::isCandidate(const std::string& name)
{
    if (name.empty() || name.back() == '/' || name.compare(0, 9, "__MACOSX/") == 0)
        return false;
    const std::string::size_type slash = name.rfind('/');
    const std::string file = slash == std::string::npos ? name : name.substr(slash + 1);
    return file.compare(0, 2, "._") != 0;
}

int MasterModelChooser::choose(const std::vector<std::string>& names, const IsModelFile& isModelFile)
{
    int first = -1;
    int onlyTopLevel = -1;
    int topLevelCount = 0;
    for (int i = 0; i < static_cast<int>(names.size()); ++i) {
        const std::string& name = names[i];
        if (!isCandidate(name) || !isModelFile(name))
            continue;
        if (first < 0)
            first = i;
        if (name.find('/') == std::string::npos) {
            ++topLevelCount;
            onlyTopLevel = i;
        }
    }
    return topLevelCount == 1 ? onlyTopLevel : first;
}

} // namespace osgKELVO
