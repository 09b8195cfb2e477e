#pragma once

#include "RuntimeTree.h"

#include <zip.h>

#include <cstdio>
#include <string>
#include <vector>

namespace kelvotest {

// Zip archives written with libzip, entries in the order added, each optionally encrypted.
class TestArchive
{
public:
    enum Encryption { None, Traditional, Aes256 };

    TestArchive& add(const std::string& name, const std::string& contents,
                     Encryption encryption = None, const std::string& password = std::string())
    {
        entries.push_back(Entry{name, contents, encryption, password});
        return *this;
    }
    TestArchive& addFile(const std::string& name, const std::string& path,
                         Encryption encryption = None, const std::string& password = std::string())
    {
        return add(name, RuntimeTree::readFile(path), encryption, password);
    }
    // A name ending in "/".
    TestArchive& addDirectory(const std::string& name) { return add(name, std::string()); }

    // Returns false and leaves no file when libzip refuses.
    bool write(const std::string& path) const
    {
        std::remove(path.c_str());
        int error = 0;
        zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        bool ok = archive != nullptr;
        for (auto entry = entries.begin(); ok && entry != entries.end(); ++entry) {
            if (entry->name.back() == '/') {
                ok = zip_dir_add(archive, entry->name.c_str(), ZIP_FL_ENC_UTF_8) >= 0;
                continue;
            }
            zip_source_t* source =
                zip_source_buffer(archive, entry->contents.data(), entry->contents.size(), 0);
            const zip_int64_t index =
                source ? zip_file_add(archive, entry->name.c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
            if (index < 0 && source)
                zip_source_free(source);
            ok = index >= 0;
            if (ok && entry->encryption != None)
                ok = zip_file_set_encryption(archive, static_cast<zip_uint64_t>(index),
                                             entry->encryption == Traditional ? ZIP_EM_TRAD_PKWARE
                                                                              : ZIP_EM_AES_256,
                                             entry->password.c_str()) == 0;
        }
        if (archive && !ok)
            zip_discard(archive);
        return ok && zip_close(archive) == 0;
    }

private:
    struct Entry
    {
        std::string name, contents;
        Encryption encryption;
        std::string password;
    };
    std::vector<Entry> entries;
};

} // namespace kelvotest
