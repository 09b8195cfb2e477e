#pragma once

#include <functional>
#include <string>
#include <vector>

namespace osgKELVO {

// Picks the model an archive stands for: the only model file at the archive's top level, or else
// the first model file in archive order. Directory entries and the resource-fork copies that
// macOS adds ("__MACOSX/", "._name") are never models.
class MasterModelChooser
{
public:
    using IsModelFile = std::function<bool(const std::string& name)>;

    // The index of the master model in names, or -1 when the archive holds no model file.
    static int choose(const std::vector<std::string>& names, const IsModelFile& isModelFile);

    static bool isCandidate(const std::string& name);
};

} // namespace osgKELVO
