#include "platform/fd_stream.h"

#include <unistd.h>

#include <cerrno>
#include <ostream>

namespace tessaly {

FdStreamBuf::FdStreamBuf(int fd, std::size_t bufferSize) : fd_(fd), buf_(bufferSize) {
    setp(buf_.data(), buf_.data() + buf_.size());
}

FdStreamBuf::int_type FdStreamBuf::overflow(int_type ch) {
    if (!drain()) return traits_type::eof();
    if (!traits_type::eq_int_type(ch, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(ch);
        pbump(1);
    }
    return traits_type::not_eof(ch);
}

std::streamsize FdStreamBuf::xsputn(const char* s, std::streamsize n) {
    const auto size = static_cast<std::size_t>(n);
    if (size > static_cast<std::size_t>(epptr() - pptr())) {
        if (!drain()) return 0;
        // More than the buffer holds goes straight through.
        if (size > buf_.size()) return writeAll(s, size) ? n : 0;
    }
    traits_type::copy(pptr(), s, size);
    pbump(static_cast<int>(n));
    return n;
}

int FdStreamBuf::sync() { return drain() ? 0 : -1; }

bool FdStreamBuf::drain() {
    const bool ok = writeAll(pbase(), static_cast<std::size_t>(pptr() - pbase()));
    setp(buf_.data(), buf_.data() + buf_.size());
    return ok;
}

bool FdStreamBuf::writeAll(const char* p, std::size_t n) {
    while (n > 0 && error_ == 0) {
        const ssize_t written = ::write(fd_, p, n);
        if (written < 0) {
            if (errno != EINTR) error_ = errno;
        } else {
            p += written;
            n -= static_cast<std::size_t>(written);
        }
    }
    return error_ == 0;
}

int WriteThrough(int fd, const std::function<void(std::ostream&)>& write) {
    FdStreamBuf buf(fd);
    std::ostream out(&buf);
    write(out);
    out.flush();
    return buf.error() != 0 ? buf.error() : (out ? 0 : EIO);
}

}  // namespace tessaly
