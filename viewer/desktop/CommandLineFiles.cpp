#include "desktop/CommandLineFiles.h"

#include "desktop/DroppedFilesEvent.h"

#include <filesystem>
#include <system_error>

namespace osgKELVO {

CommandLineFiles::CommandLineFiles(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        // Without "..": a file inside the program's tree is then stored relative to Bin, as a
        // dropped one is.
        std::error_code error;
        const std::filesystem::path path = std::filesystem::absolute(argv[i], error);
        paths.push_back(error ? std::string(argv[i]) : path.lexically_normal().string());
    }
}

void CommandLineFiles::post(osgGA::EventQueue& queue) const
{
    if (!paths.empty())
        DroppedFilesEvent::post(queue, paths);
}

} // namespace osgKELVO
