#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <string>
#include <utility>

namespace tessaly {

// Owns one open file descriptor and closes it when dropped.
class FileHandle {
  public:
    FileHandle() = default;
    explicit FileHandle(int fd) : fd_(fd) {}
    ~FileHandle() { reset(); }
    FileHandle(FileHandle&& other) noexcept : fd_(other.release()) {}
    FileHandle& operator=(FileHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    // Gives the descriptor up without closing it.
    int release() { return std::exchange(fd_, -1); }
    // Closes the descriptor held, if any, and holds `fd` instead.
    void reset(int fd = -1);

  private:
    int fd_ = -1;
};

// open(2) for a path of any length: a path the system refuses as too long
// (longer than PATH_MAX) is opened one folder at a time with openat, so every
// path a folder walk can list can also be opened. Returns the descriptor, or
// -1 with errno set. A single name longer than the file system allows still
// fails with ENAMETOOLONG.
int OpenPath(const std::string& path, int flags, mode_t mode = 0);

// An evidence file open for reading, or why it could not be opened.
struct ReadOpened {
    FileHandle file;      // empty on failure
    int error = 0;        // the system's error number on failure
    std::string reason;   // its description, e.g. "No such file or directory"
    struct stat info {};  // the open file's status on success
};

// Opens the file at `path` (of any length) for reading only, the way every
// evidence file is opened: without waiting (O_NONBLOCK, so a FIFO cannot hold
// the open up), without becoming the controlling terminal, and without
// updating its access time where the system allows that (O_NOATIME is
// refused unless the caller owns the file or is privileged; then a plain
// open is used). Only a regular file is accepted: a folder fails with EISDIR,
// anything else (a FIFO, a device, a socket) with EINVAL and the reason
// "Not a regular file".
[[nodiscard]] ReadOpened OpenForReading(const std::string& path);

}  // namespace tessaly
