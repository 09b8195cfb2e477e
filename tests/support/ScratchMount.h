#pragma once

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/mount.h>
#include <unistd.h>

namespace kelvotest {

// A small tmpfs mounted on a directory for one test, detached at the end; when this process may
// not mount, the factory returns null and says why.
class ScratchMount
{
public:
    static std::unique_ptr<ScratchMount> tmpfs(const std::string& directory, unsigned long bytes,
                                               std::string& error)
    {
        const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
        const unsigned long flags = MS_NOSUID | MS_NODEV;
        if (::mount("tmpfs", directory.c_str(), "tmpfs", flags, options.c_str()) != 0) {
            error = failure("mounting a tmpfs", directory);
            return nullptr;
        }
        return std::unique_ptr<ScratchMount>(new ScratchMount(directory));
    }
    ~ScratchMount() { ::umount2(directory_.c_str(), MNT_DETACH); }
    ScratchMount(const ScratchMount&) = delete;
    ScratchMount& operator=(const ScratchMount&) = delete;

    bool setReadOnly(bool readOnly, std::string& error)
    {
        const unsigned long flags = MS_REMOUNT | MS_NOSUID | MS_NODEV | (readOnly ? MS_RDONLY : 0);
        if (::mount(nullptr, directory_.c_str(), nullptr, flags, nullptr) == 0)
            return true;
        error = failure(readOnly ? "remounting read-only" : "remounting writable", directory_);
        return false;
    }

    // Writes a file on the mount until the file system refuses; returns the bytes written.
    static unsigned long fill(const std::string& path)
    {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0)
            return 0;
        const std::string block(4096, 'f');
        unsigned long total = 0;
        // Smaller and smaller pieces, down to one byte, so that not even a short write fits.
        for (std::size_t size = block.size(); size > 0;) {
            const ssize_t written = ::write(fd, block.data(), size);
            if (written > 0)
                total += static_cast<unsigned long>(written);
            else if (written == 0 || errno != EINTR)
                size /= 2;
        }
        ::fsync(fd);
        ::close(fd);
        return total;
    }

private:
    static std::string failure(const char* what, const std::string& directory)
    {
        const int error = errno;
        std::string text =
            std::string(what) + " on " + directory + " failed: " + std::strerror(error);
        if (error == EPERM || error == EACCES)
            text += " (this process may not mount file systems; run as root with CAP_SYS_ADMIN)";
        return text;
    }
    explicit ScratchMount(const std::string& directory) : directory_(directory) {}

    std::string directory_;
};

} // namespace kelvotest
