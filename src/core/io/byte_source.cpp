#include "core/io/byte_source.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "core/io/open_file.h"

namespace tessaly {

std::int64_t BufferSource::readAt(std::uint64_t offset, std::span<unsigned char> into) {
    if (offset >= data_.size()) return 0;
    const std::size_t n = std::min<std::size_t>(into.size(), data_.size() - offset);
    if (n != 0) std::memcpy(into.data(), data_.data() + offset, n);
    return static_cast<std::int64_t>(n);
}

FileSource::~FileSource() { ::close(fd_); }

std::int64_t FileSource::readAt(std::uint64_t offset, std::span<unsigned char> into) {
    std::size_t done = 0;
    while (done < into.size()) {
        const auto got =
            ::pread(fd_, into.data() + done, into.size() - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<std::int64_t>(done);
}

SourceError SystemSourceError(int number) {
    return {number, std::generic_category().message(number)};
}

std::unique_ptr<FileSource> OpenFileSource(const std::string& path, SourceError& error) {
    ReadOpened opened = OpenForReading(path);
    if (!opened.file) {
        error = {opened.error, opened.reason};
        return nullptr;
    }
    const auto size = static_cast<std::uint64_t>(opened.info.st_size);
    return std::make_unique<FileSource>(opened.file.release(), size);
}

}  // namespace tessaly
