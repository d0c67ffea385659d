#pragma once

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <streambuf>
#include <vector>

namespace tessaly {

// An output buffer over a POSIX file descriptor (not owned) that keeps the
// first error: once a write fails nothing more is written, the stream it
// serves goes bad, and error() tells the system's error number.
class FdStreamBuf : public std::streambuf {
  public:
    explicit FdStreamBuf(int fd, std::size_t bufferSize = std::size_t{64} << 10);
    FdStreamBuf(const FdStreamBuf&) = delete;
    FdStreamBuf& operator=(const FdStreamBuf&) = delete;

    int fd() const { return fd_; }
    int error() const { return error_; }

  protected:
    int_type overflow(int_type ch) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;

  private:
    bool drain();
    bool writeAll(const char* p, std::size_t n);

    int fd_;
    int error_ = 0;
    std::vector<char> buf_;
};

// Writes what `write` writes into `fd` through an FdStreamBuf; 0 or the first
// write error (EIO when the stream went bad without one).
int WriteThrough(int fd, const std::function<void(std::ostream&)>& write);

}  // namespace tessaly
