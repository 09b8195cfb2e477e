#include "TestArchive.h"

#include "RuntimeTree.h"

#include <zip.h>

#include <cstdio>

namespace kelvotest {

TestArchive& TestArchive::add(const std::string& name, const std::string& contents, Encryption encryption,
                              const std::string& password)
{
    entries.push_back(Entry{name, contents, false, encryption, password});
    return *this;
}

TestArchive& TestArchive::addFile(const std::string& name, const std::string& path, Encryption encryption,
                                  const std::string& password)
{
    return add(name, RuntimeTree::readFile(path), encryption, password);
}

TestArchive& TestArchive::addDirectory(const std::string& name)
{
    entries.push_back(Entry{name, std::string(), true, None, std::string()});
    return *this;
}

bool TestArchive::write(const std::string& path) const
{
    std::remove(path.c_str());
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive)
        return false;
    bool ok = true;
    for (const Entry& entry : entries) {
        if (entry.directory) {
            ok = ok && zip_dir_add(archive, entry.name.c_str(), ZIP_FL_ENC_UTF_8) >= 0;
            continue;
        }
        zip_source_t* source = zip_source_buffer(archive, entry.contents.data(), entry.contents.size(), 0);
        const zip_int64_t index = source ? zip_file_add(archive, entry.name.c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            if (source)
                zip_source_free(source);
            ok = false;
            continue;
        }
        if (entry.encryption != None) {
            const zip_uint16_t method = entry.encryption == Traditional ? ZIP_EM_TRAD_PKWARE : ZIP_EM_AES_256;
            ok = ok && zip_file_set_encryption(archive, static_cast<zip_uint64_t>(index), method,
                                               entry.password.c_str()) == 0;
        }
    }
    if (!ok) {
        zip_discard(archive);
        return false;
    }
    return zip_close(archive) == 0;
}

} // namespace kelvotest
