#pragma once

#include <osg/Node>

#include <string>

namespace kelvotest {

// An empty runtime tree (Bin/, Content/, Resources/) in a temporary directory, the working directory
// while the object lives: the viewer's data paths are relative to Bin. The registry's object cache
// is emptied on both ends, so that no file is served from another tree, and its options cache
// everything, as the viewer's do.
class ScratchTree
{
public:
    ScratchTree();
    ~ScratchTree();
    ScratchTree(const ScratchTree&) = delete;
    ScratchTree& operator=(const ScratchTree&) = delete;

    const std::string& root() const { return root_; }
    std::string path(const std::string& relative) const { return root_ + "/" + relative; }
    void write(const std::string& relative, const std::string& contents) const;
    void remove(const std::string& relative) const;
    // The staged label font as Resources/Fonts/arial.ttf.
    void installFont() const;
    // False if the writer failed.
    bool writeNode(const std::string& relative, const osg::Node& node) const;

private:
    std::string root_;
    std::string previousDirectory_;
};

} // namespace kelvotest
