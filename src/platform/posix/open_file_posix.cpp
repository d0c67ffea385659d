#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/posix/open_file.h"

namespace tessaly {

void FileHandle::reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
}

int OpenPath(const std::string& path, int flags, mode_t mode) {
    const int fd = ::open(path.c_str(), flags, mode);
    if (fd >= 0 || errno != ENAMETOOLONG) return fd;

    // Too long at once: go down one folder at a time. Links on the way are
    // followed as the system would follow them in a whole path.
    constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
    FileHandle folder;
    int base = AT_FDCWD;
    std::size_t at = 0;
    if (path.starts_with('/')) {
        folder.reset(::open("/", kFolderFlags));
        if (!folder) return -1;
        base = folder.get();
        at = 1;
    }
    std::string name;
    for (std::size_t slash; (slash = path.find('/', at)) != std::string::npos; at = slash + 1) {
        if (slash == at) continue;  // "//"
        name.assign(path, at, slash - at);
        const int next = ::openat(base, name.c_str(), kFolderFlags);
        if (next < 0) return -1;
        folder.reset(next);
        base = next;
    }
    name.assign(path, at);
    // A path ending in '/' names the folder reached.
    return ::openat(base, name.empty() ? "." : name.c_str(), flags, mode);
}

ReadOpened OpenForReading(const std::string& path) {
    ReadOpened opened;
    auto fail = [&opened](int error, std::string reason) {
        opened.file.reset();
        opened.error = error;
        opened.reason = std::move(reason);
        return std::move(opened);
    };
    constexpr int kFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    int fd = -1;
#ifdef O_NOATIME
    fd = OpenPath(path, kFlags | O_NOATIME);
    // Only the owner (or a privileged user) may keep the access time as it is.
    if (fd < 0 && errno == EPERM) fd = OpenPath(path, kFlags);
#else
    fd = OpenPath(path, kFlags);
#endif
    if (fd < 0) return fail(errno, std::generic_category().message(errno));
    opened.file.reset(fd);
    // Only a regular file has an end to read to: a FIFO or a device may block
    // or never end (/dev/zero).
    if (::fstat(fd, &opened.info) != 0) return fail(errno, std::generic_category().message(errno));
    if (S_ISDIR(opened.info.st_mode)) return fail(EISDIR, std::generic_category().message(EISDIR));
    if (!S_ISREG(opened.info.st_mode)) return fail(EINVAL, "Not a regular file");
    return opened;
}

}  // namespace tessaly
