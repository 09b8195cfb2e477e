#include "ZipArchive.h"

#include <zip.h>

#include <algorithm>
#include <cctype>

namespace osgKELVO {

namespace {

bool sameIgnoringCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string errorText(int code)
{
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

} // namespace

ZipArchive::~ZipArchive()
{
    if (archive)
        zip_discard(archive);
}

bool ZipArchive::open(const std::string& path, std::string& reason)
{
    int code = 0;
    // The consistency checks reject truncated archives whose directory still parses.
    archive = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!archive) {
        reason = code == ZIP_ER_NOZIP ? "not a zip archive, or a truncated one" : errorText(code);
        return false;
    }
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        const char* name = zip_get_name(archive, static_cast<zip_uint64_t>(i), 0);
        const bool known = zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &stat) == 0;
        entryNames.push_back(name ? name : "");
        encrypted.push_back(known && (stat.valid & ZIP_STAT_ENCRYPTION_METHOD) &&
                            stat.encryption_method != ZIP_EM_NONE);
    }
    return true;
}

void ZipArchive::setPassword(const std::string& password)
{
    hasPassword = !password.empty();
    zip_set_default_password(archive, hasPassword ? password.c_str() : nullptr);
}

int ZipArchive::find(const std::string& name) const
{
    const auto exact = std::find(entryNames.begin(), entryNames.end(), name);
    if (exact != entryNames.end())
        return static_cast<int>(exact - entryNames.begin());
    const auto loose = std::find_if(entryNames.begin(), entryNames.end(),
                                    [&](const std::string& entry) { return sameIgnoringCase(entry, name); });
    return loose != entryNames.end() ? static_cast<int>(loose - entryNames.begin()) : -1;
}

bool ZipArchive::isEncrypted(int index) const
{
    return index >= 0 && index < static_cast<int>(encrypted.size()) && encrypted[index];
}

bool ZipArchive::checkPassword(std::string& reason)
{
    std::lock_guard<std::mutex> lock(mutex);
    for (int i = 0; i < static_cast<int>(entryNames.size()); ++i) {
        if (!encrypted[i])
            continue;
        // libzip (1.7) leaks the entry's sources when it opens one whose method it cannot decrypt,
        // so such an entry is refused before it is opened.
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &stat) == 0 &&
            !zip_encryption_method_supported(stat.encryption_method, 0)) {
            reason = describeFailure(i, ZIP_ER_ENCRNOTSUPP, std::string());
            return false;
        }
        zip_file_t* file = zip_fopen_index(archive, static_cast<zip_uint64_t>(i), 0);
        if (!file) {
            reason = describeFailure(i, zip_error_code_zip(zip_get_error(archive)), zip_strerror(archive));
            return false;
        }
        zip_fclose(file);
    }
    return true;
}

std::string ZipArchive::describeFailure(int index, int code, const std::string& libraryText) const
{
    const std::string& name = entryNames[index];
    switch (code) {
    case ZIP_ER_NOPASSWD:
        return "entry " + name + " is encrypted and no password is registered under \"ZipPlugin\"";
    case ZIP_ER_WRONGPASSWD:
        return "wrong password for the encrypted entry " + name;
    case ZIP_ER_ENCRNOTSUPP:
        return "entry " + name + " is encrypted with a method that is not supported";
    case ZIP_ER_COMPNOTSUPP:
        return "entry " + name + " is compressed with a method that is not supported";
    case ZIP_ER_CRC:
    case ZIP_ER_COMPRESSED_DATA:
    case ZIP_ER_ZLIB:
        // Traditional encryption checks a password with one byte only; a wrong one that passes
        // shows as data that does not decompress or does not match its checksum.
        if (isEncrypted(index) && hasPassword)
            return "wrong password for the encrypted entry " + name;
        return "entry " + name + " is damaged (" + libraryText + ")";
    default:
        return "cannot read entry " + name + " (" + libraryText + ")";
    }
}

bool ZipArchive::read(int index, std::string& data, std::string& reason)
{
    std::lock_guard<std::mutex> lock(mutex);
    data.clear();
    if (!archive || index < 0 || index >= static_cast<int>(entryNames.size())) {
        reason = "no such entry";
        return false;
    }
    const zip_uint64_t entry = static_cast<zip_uint64_t>(index);
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive, entry, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE)) {
        reason = describeFailure(index, zip_error_code_zip(zip_get_error(archive)),
                                 zip_strerror(archive));
        return false;
    }
    zip_file_t* file = zip_fopen_index(archive, entry, 0);
    if (!file) {
        reason = describeFailure(index, zip_error_code_zip(zip_get_error(archive)),
                                 zip_strerror(archive));
        return false;
    }
    data.resize(static_cast<std::size_t>(stat.size));
    zip_uint64_t done = 0;
    bool ok = true;
    while (ok) {
        // Read once past the size: libzip checks the CRC when it reaches the end of the data.
        char probe[1];
        char* target = done < stat.size ? &data[static_cast<std::size_t>(done)] : probe;
        const zip_uint64_t wanted = done < stat.size ? stat.size - done : 1;
        const zip_int64_t got = zip_fread(file, target, wanted);
        if (got < 0) {
            reason = describeFailure(index, zip_error_code_zip(zip_file_get_error(file)),
                                     zip_file_strerror(file));
            ok = false;
        } else if (got == 0) {
            break;
        } else if (done >= stat.size) {
            reason = "entry " + entryNames[index] + " is longer than the archive says";
            ok = false;
        } else {
            done += static_cast<zip_uint64_t>(got);
        }
    }
    zip_fclose(file);
    if (ok && done != stat.size) {
        reason = "entry " + entryNames[index] + " is truncated";
        ok = false;
    }
    if (!ok)
        data.clear();
    return ok;
}

} // namespace osgKELVO
