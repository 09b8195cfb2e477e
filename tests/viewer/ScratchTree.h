#pragma once

#include <osg/Node>
#include <osgDB/Options>
#include <osgDB/Registry>
#include <osgDB/WriteFile>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace kelvotest {

// An empty runtime tree, Bin/ the working directory while it lives; the registry caches
// everything, as the viewer's does, and its cache is emptied on both ends.
class ScratchTree
{
public:
    ScratchTree()
    {
        namespace fs = std::filesystem;
        std::string pattern = (fs::temp_directory_path() / "kelvo-scratch-XXXXXX").string();
        if (!::mkdtemp(&pattern[0]))
            throw std::runtime_error("cannot create a temporary tree");
        root_ = pattern;
        for (const char* directory : {"Bin", "Content", "Resources"})
            fs::create_directories(fs::path(root_) / directory);
        previousDirectory_ = fs::current_path().string();
        fs::current_path(fs::path(root_) / "Bin");
        previousOptions_ = osgDB::Registry::instance()->getOptions();
        osg::ref_ptr<osgDB::Options> options = new osgDB::Options;
        options->setObjectCacheHint(osgDB::Options::CACHE_ALL);
        osgDB::Registry::instance()->setOptions(options);
        osgDB::Registry::instance()->clearObjectCache();
    }
    ~ScratchTree()
    {
        osgDB::Registry::instance()->clearObjectCache();
        osgDB::Registry::instance()->setOptions(previousOptions_);
        std::error_code ignored;
        std::filesystem::current_path(previousDirectory_, ignored);
        std::filesystem::remove_all(root_, ignored);
    }
    ScratchTree(const ScratchTree&) = delete;
    ScratchTree& operator=(const ScratchTree&) = delete;

    std::string path(const std::string& relative) const { return root_ + "/" + relative; }
    void write(const std::string& relative, const std::string& contents) const
    {
        std::filesystem::create_directories(std::filesystem::path(path(relative)).parent_path());
        std::ofstream(path(relative), std::ios::binary | std::ios::trunc) << contents;
    }
    void remove(const std::string& relative) const
    {
        std::error_code ignored;
        std::filesystem::remove_all(path(relative), ignored);
    }
    // The staged label font as Resources/Fonts/arial.ttf.
    void installFont() const
    {
        std::filesystem::create_directories(path("Resources/Fonts"));
        std::filesystem::copy_file(std::string(KELVO_DIST_DIR) + "/Resources/Fonts/arial.ttf",
                                   path("Resources/Fonts/arial.ttf"),
                                   std::filesystem::copy_options::overwrite_existing);
    }
    // False if the writer failed.
    bool writeNode(const std::string& relative, const osg::Node& node) const
    {
        std::filesystem::create_directories(std::filesystem::path(path(relative)).parent_path());
        return osgDB::writeNodeFile(node, path(relative));
    }

private:
    std::string root_;
    std::string previousDirectory_;
    osg::ref_ptr<osgDB::Options> previousOptions_;
};

} // namespace kelvotest
