#pragma once

#include "FaultTestDirectory.h"

#include <cstdio>
#include <string>

namespace kelvotest {

// A private runtime tree in a temporary directory: Bin/ copied, so that the program finds its
// tree beside itself; Resources/ and Content/ of links to the staged files, which a test may
// replace one by one; a configuration file of its own.
class RuntimeTree
{
public:
    // withContent false leaves Content/ empty, for tests that bring their own models.
    explicit RuntimeTree(bool withContent = true);

    const std::string& root() const { return root_; }
    std::string bin() const { return root_ + "/Bin"; }
    std::string configurationPath() const { return root_ + "/Resources/Configuration.xml"; }

    void writeConfiguration(const std::string& xml) const { writeFile(configurationPath(), xml); }
    void removeConfiguration() const { std::remove(configurationPath().c_str()); }
    std::string readConfiguration() const { return readFile(configurationPath()); }

    static std::string readFile(const std::string& path);
    // Creates directories; replaces a link rather than writing through it into the staged tree.
    static void writeFile(const std::string& path, const std::string& contents);

private:
    FaultTestDirectory directory_;
    std::string root_ = directory_.path();
};

} // namespace kelvotest
