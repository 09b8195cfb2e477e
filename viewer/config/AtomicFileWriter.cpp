#include "config/AtomicFileWriter.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace osgKELVO {

namespace {

std::string directoryOf(const std::string& path)
{
    const std::string::size_type slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string baseNameOf(const std::string& path)
{
    const std::string::size_type slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool writeAll(int fd, const std::string& contents)
{
    const char* data = contents.data();
    std::string::size_type left = contents.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        left -= static_cast<std::string::size_type>(written);
    }
    return true;
}

// Temporary files named as write() names them: "." + the file's name + "." + six characters.
bool isTemporaryOf(const std::string& entry, const std::string& prefix)
{
    if (entry.size() != prefix.size() + 6 || entry.compare(0, prefix.size(), prefix) != 0)
        return false;
    for (std::string::size_type i = prefix.size(); i < entry.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(entry[i])))
            return false;
    return true;
}

// A writer killed between creating its temporary file and renaming it leaves the file behind.
// Every writer holds a lock on its temporary file until it is done, and the lock dies with the
// process, so a temporary file that can be locked has no writer left and can go.
void removeAbandonedTemporaries(const std::string& directory, const std::string& prefix)
{
    DIR* dir = ::opendir(directory.c_str());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        if (!isTemporaryOf(entry->d_name, prefix))
            continue;
        const int fd = ::openat(::dirfd(dir), entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat info;
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(dir);
}

} // namespace

bool AtomicFileWriter::write(const std::string& path, const std::string& contents)
{
    struct stat existing;
    // A directory standing where the file should be must not be replaced.
    if (::stat(path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode))
        return false;

    const std::string prefix = "." + baseNameOf(path) + ".";
    removeAbandonedTemporaries(directoryOf(path), prefix);

    std::string temporary = directoryOf(path) + "/" + prefix + "XXXXXX";
    const int fd = ::mkostemp(&temporary[0], O_CLOEXEC);
    if (fd < 0)
        return false;
    // Held until the file is closed: marks the temporary file as in use (see above).
    ::flock(fd, LOCK_EX);

    mode_t mode = 0644;
    if (::stat(path.c_str(), &existing) == 0)
        mode = existing.st_mode & 07777;
    bool ok = ::fchmod(fd, mode) == 0;
    ok = ok && writeAll(fd, contents);
    ok = ok && ::fsync(fd) == 0;
    // Renamed while still open, so the lock covers the temporary file until it has its final name;
    // after a successful fsync the contents are safe whatever close says.
    ok = ok && ::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok)
        ::unlink(temporary.c_str());
    ::close(fd);
    if (!ok)
        return false;

    // Make the rename itself durable; the new file is complete either way.
    const int dirFd = ::open(directoryOf(path).c_str(), O_RDONLY | O_DIRECTORY);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

} // namespace osgKELVO
