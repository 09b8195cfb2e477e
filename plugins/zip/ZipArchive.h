#pragma once

#include <mutex>
#include <string>
#include <vector>

struct zip;

namespace osgKELVO {

// One zip archive opened for reading with libzip. Entries are read whole into memory; encrypted
// entries (traditional PKWARE or AES) are decrypted with the password given. Every failure comes
// with a reason a user can act on.
class ZipArchive
{
public:
    ZipArchive() = default;
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    bool open(const std::string& path, std::string& reason);
    void setPassword(const std::string& password);

    // Entry names in archive order; an entry's index is its position here.
    const std::vector<std::string>& names() const { return entryNames; }

    // The index of an entry by its name inside the archive, matched exactly or, failing that,
    // without regard to case (archives made on Windows); -1 when there is none.
    int find(const std::string& name) const;

    bool isEncrypted(int index) const;

    // Checks the password against every encrypted entry without reading their data, so that a
    // missing or wrong one is found before anything is read. (Traditional encryption checks one
    // byte only, so a wrong password can pass here and fail when the data is read.)
    bool checkPassword(std::string& reason);
    bool read(int index, std::string& data, std::string& reason);

private:
    std::string describeFailure(int index, int code, const std::string& libraryText) const;

    zip* archive = nullptr;
    std::vector<std::string> entryNames;
    std::vector<bool> encrypted;
    bool hasPassword = false;
    std::mutex mutex;
};

} // namespace osgKELVO
