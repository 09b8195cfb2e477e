#pragma once

#include <memory>
#include <string>

namespace kelvotest {

// A small tmpfs or a read-only bind mounted on a directory for one test, detached at the end; when
// this process may not mount, the factory functions return null and say why.
class ScratchMount
{
public:
    static std::unique_ptr<ScratchMount> tmpfs(const std::string& directory, unsigned long bytes,
                                               std::string& error);
    static std::unique_ptr<ScratchMount> readOnlyBind(const std::string& directory,
                                                      std::string& error);
    ~ScratchMount() { unmount(); }
    ScratchMount(const ScratchMount&) = delete;
    ScratchMount& operator=(const ScratchMount&) = delete;

    bool setReadOnly(bool readOnly, std::string& error);
    // Detaches the mount now, uncovering the directory underneath.
    void unmount();

    // Writes into a file on the mount until the file system refuses; returns the bytes written.
    static unsigned long fill(const std::string& path);

private:
    ScratchMount(const std::string& directory, bool bind) : directory_(directory), bind_(bind) {}

    std::string directory_;
    bool bind_;
    bool mounted_ = true;
};

} // namespace kelvotest
