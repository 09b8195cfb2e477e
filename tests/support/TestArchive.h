#pragma once

#include "RuntimeTree.h"

#include <string>
#include <vector>

namespace kelvotest {

// Writes zip archives for tests with libzip, entries in the order added, each optionally
// encrypted (traditional PKWARE or AES-256) with its own password.
class TestArchive
{
public:
    enum Encryption { None, Traditional, Aes256 };

    TestArchive& add(const std::string& name, const std::string& contents,
                     Encryption encryption = None, const std::string& password = std::string())
    {
        entries.push_back(Entry{name, contents, encryption, password, false});
        return *this;
    }
    TestArchive& addFile(const std::string& name, const std::string& path,
                         Encryption encryption = None, const std::string& password = std::string())
    {
        return add(name, RuntimeTree::readFile(path), encryption, password);
    }
    TestArchive& addDirectory(const std::string& name)
    {
        entries.push_back(Entry{name, std::string(), None, std::string(), true});
        return *this;
    }

    // Returns false and leaves no file when libzip refuses.
    bool write(const std::string& path) const;

private:
    struct Entry
    {
        std::string name, contents;
        Encryption encryption;
        std::string password;
        bool directory;
    };
    std::vector<Entry> entries;
};

} // namespace kelvotest
