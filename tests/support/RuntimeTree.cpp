#include "RuntimeTree.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace kelvotest {

namespace {

// Real directories, each file a link to the staged one.
void linkTree(const fs::path& from, const fs::path& to)
{
    fs::create_directories(to);
    for (const auto& entry : fs::directory_iterator(from)) {
        if (entry.is_directory())
            linkTree(entry.path(), to / entry.path().filename());
        else
            fs::create_symlink(entry.path(), to / entry.path().filename());
    }
}

} // namespace

RuntimeTree::RuntimeTree(bool withContent)
{
    std::string pattern = (fs::temp_directory_path() / "kelvo-tree-XXXXXX").string();
    if (!::mkdtemp(&pattern[0]))
        throw std::runtime_error("cannot create a temporary runtime tree");
    root_ = pattern;
    const fs::path dist(KELVO_DIST_DIR);
    fs::copy(dist / "Bin", fs::path(root_) / "Bin", fs::copy_options::recursive);
    linkTree(dist / "Resources", fs::path(root_) / "Resources");
    writeConfiguration(readFile((dist / "Resources" / "Configuration.xml").string()));
    fs::create_directories(fs::path(root_) / "Content");
    if (withContent && fs::exists(dist / "Content"))
        linkTree(dist / "Content", fs::path(root_) / "Content");
}

RuntimeTree::~RuntimeTree()
{
    std::error_code ignored;
    // Permissions a test took away must not keep the tree from being removed.
    for (auto it = fs::recursive_directory_iterator(root_, ignored);
         it != fs::recursive_directory_iterator(); ++it)
        if (!it->is_symlink(ignored))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(root_, ignored);
}

std::string RuntimeTree::readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void RuntimeTree::writeFile(const std::string& path, const std::string& contents)
{
    fs::create_directories(fs::path(path).parent_path());
    if (fs::is_symlink(path))
        fs::remove(path);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << contents;
}

} // namespace kelvotest
