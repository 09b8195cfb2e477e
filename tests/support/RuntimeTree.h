#pragma once

#include <string>

namespace kelvotest {

// A private copy of the staged runtime tree (Bin/, Resources/, Content/) in a temporary directory,
// removed on destruction. Tests write their own configuration into it.
class RuntimeTree
{
public:
    // copyContent false leaves Content/ empty (faster for tests that name their own models).
    explicit RuntimeTree(bool copyContent = true);
    ~RuntimeTree();
    RuntimeTree(const RuntimeTree&) = delete;
    RuntimeTree& operator=(const RuntimeTree&) = delete;

    const std::string& root() const { return root_; }
    std::string bin() const { return root_ + "/Bin"; }
    std::string configurationPath() const { return root_ + "/Resources/Configuration.xml"; }

    void writeConfiguration(const std::string& xml) const;
    void removeConfiguration() const;
    std::string readConfiguration() const;

    // Copies a file into the tree at a path relative to its root; creates directories.
    void copyInto(const std::string& source, const std::string& relativeDestination) const;

    static std::string readFile(const std::string& path);
    static void writeFile(const std::string& path, const std::string& contents);

private:
    std::string root_;
};

} // namespace kelvotest
