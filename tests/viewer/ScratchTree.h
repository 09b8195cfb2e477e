#pragma once

#include "RuntimeTree.h"

#include <osg/Node>
#include <osgDB/Options>
#include <osgDB/Registry>
#include <osgDB/WriteFile>

#include <filesystem>
#include <string>

namespace kelvotest {

// A runtime tree without content, Bin/ the working directory while it lives; the registry caches
// everything, as the viewer's does, and its cache is emptied on both ends.
class ScratchTree : public RuntimeTree
{
public:
    ScratchTree() : RuntimeTree(false), previousDirectory_(std::filesystem::current_path().string())
    {
        std::filesystem::current_path(bin());
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
    }

    std::string path(const std::string& relative) const { return root() + "/" + relative; }
    void write(const std::string& relative, const std::string& contents) const
    {
        writeFile(path(relative), contents);
    }
    void remove(const std::string& relative) const
    {
        std::error_code ignored;
        std::filesystem::remove_all(path(relative), ignored);
    }
    // False if the writer failed.
    bool writeNode(const std::string& relative, const osg::Node& node) const
    {
        std::filesystem::create_directories(std::filesystem::path(path(relative)).parent_path());
        return osgDB::writeNodeFile(node, path(relative));
    }

private:
    std::string previousDirectory_;
    osg::ref_ptr<osgDB::Options> previousOptions_;
};

} // namespace kelvotest
