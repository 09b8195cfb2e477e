#include "ScratchTree.h"

#include <osgDB/Options>
#include <osgDB/Registry>
#include <osgDB/WriteFile>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

namespace kelvotest {

ScratchTree::ScratchTree()
{
    std::string pattern = (fs::temp_directory_path() / "kelvo-scratch-XXXXXX").string();
    if (!::mkdtemp(&pattern[0]))
        throw std::runtime_error("cannot create a temporary tree");
    root_ = pattern;
    for (const char* directory : {"Bin", "Content", "Resources"})
        fs::create_directories(fs::path(root_) / directory);
    previousDirectory_ = fs::current_path().string();
    fs::current_path(fs::path(root_) / "Bin");
    osg::ref_ptr<osgDB::Options> options = new osgDB::Options;
    options->setObjectCacheHint(osgDB::Options::CACHE_ALL);
    osgDB::Registry::instance()->setOptions(options);
    osgDB::Registry::instance()->clearObjectCache();
}

ScratchTree::~ScratchTree()
{
    osgDB::Registry::instance()->clearObjectCache();
    std::error_code ignored;
    fs::current_path(previousDirectory_, ignored);
    fs::remove_all(root_, ignored);
}

void ScratchTree::write(const std::string& relative, const std::string& contents) const
{
    fs::create_directories(fs::path(path(relative)).parent_path());
    std::ofstream(path(relative), std::ios::binary | std::ios::trunc) << contents;
}

void ScratchTree::remove(const std::string& relative) const
{
    std::error_code ignored;
    fs::remove_all(path(relative), ignored);
}

void ScratchTree::installFont() const
{
    fs::create_directories(path("Resources/Fonts"));
    fs::copy_file(fs::path(KELVO_DIST_DIR) / "Resources/Fonts/arial.ttf", path("Resources/Fonts/arial.ttf"),
                  fs::copy_options::overwrite_existing);
}

bool ScratchTree::writeNode(const std::string& relative, const osg::Node& node) const
{
    fs::create_directories(fs::path(path(relative)).parent_path());
    return osgDB::writeNodeFile(node, path(relative));
}

} // namespace kelvotest
