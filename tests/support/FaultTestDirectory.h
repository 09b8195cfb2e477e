#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace kelvotest {

// A fresh temporary directory, removed with everything in it at the end of the scope, even where
// a test took permissions away; the path is empty when none could be made.
class FaultTestDirectory
{
public:
    FaultTestDirectory()
    {
        std::string pattern = std::filesystem::temp_directory_path() / "kelvo-test-XXXXXX";
        path_ = ::mkdtemp(&pattern[0]) ? pattern : "";
    }
    ~FaultTestDirectory()
    {
        namespace fs = std::filesystem;
        std::error_code ignored;
        for (auto it = fs::recursive_directory_iterator(path_, ignored);
             it != fs::recursive_directory_iterator(); ++it)
            if (!it->is_symlink(ignored))
                fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(path_, ignored);
    }
    FaultTestDirectory(const FaultTestDirectory&) = delete;
    FaultTestDirectory& operator=(const FaultTestDirectory&) = delete;

    const std::string& path() const { return path_; }

    // The names in a directory, sorted; with a prefix, only those that start with it.
    static std::vector<std::string> entries(const std::string& directory,
                                            const std::string& prefix = "")
    {
        std::vector<std::string> names;
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator(directory, ignored))
            if (entry.path().filename().string().rfind(prefix, 0) == 0)
                names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // The temporary files the configuration writer makes for "Configuration.xml".
    static std::vector<std::string> temporaries(const std::string& directory)
    {
        return entries(directory, ".Configuration.xml.");
    }

private:
    std::string path_;
};

} // namespace kelvotest
