#pragma once

#include <string>

namespace kelvotest {

// A private runtime tree (Bin/, Resources/, Content/) in a temporary directory, removed on
// destruction: Bin/ copied, so that the program finds its tree beside itself; Resources/ and
// Content/ directories of links to the staged files, so that nothing large is copied and a test
// may still remove or replace single files. The configuration file is a copy of its own.
class RuntimeTree
{
public:
    // withContent false leaves Content/ empty, for tests that bring their own models.
    explicit RuntimeTree(bool withContent = true);
    ~RuntimeTree();
    RuntimeTree(const RuntimeTree&) = delete;
    RuntimeTree& operator=(const RuntimeTree&) = delete;

    const std::string& root() const { return root_; }
    std::string bin() const { return root_ + "/Bin"; }
    std::string configurationPath() const { return root_ + "/Resources/Configuration.xml"; }

    void writeConfiguration(const std::string& xml) const { writeFile(configurationPath(), xml); }
    void removeConfiguration() const;
    std::string readConfiguration() const { return readFile(configurationPath()); }

    // Copies a file or directory to a path relative to the root, replacing a link there.
    void copyInto(const std::string& source, const std::string& relativeDestination) const;

    static std::string readFile(const std::string& path);
    // Creates directories; replaces a link rather than writing through it into the staged tree.
    static void writeFile(const std::string& path, const std::string& contents);

private:
    std::string root_;
};

} // namespace kelvotest
