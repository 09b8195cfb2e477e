#include "AtomicFileWriter.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
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

} // namespace

bool AtomicFileWriter::write(const std::string& path, const std::string& contents)
{
    struct stat existing;
    // A directory standing where the file should be must not be replaced.
    if (::stat(path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode))
        return false;

    std::string temporary = directoryOf(path) + "/." + baseNameOf(path) + ".XXXXXX";
    const int fd = ::mkstemp(&temporary[0]);
    if (fd < 0)
        return false;

    mode_t mode = 0644;
    if (::stat(path.c_str(), &existing) == 0)
        mode = existing.st_mode & 07777;
    bool ok = ::fchmod(fd, mode) == 0;
    ok = ok && writeAll(fd, contents);
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }

    // Make the rename itself durable; the new file is complete either way.
    const int dirFd = ::open(directoryOf(path).c_str(), O_RDONLY | O_DIRECTORY);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

} // namespace osgKELVO
