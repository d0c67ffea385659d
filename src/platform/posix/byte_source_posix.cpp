#include <unistd.h>

#include <cerrno>

#include "platform/byte_source.h"
#include "platform/posix/open_file.h"

namespace tessaly {

FileSource::~FileSource() { ::close(file_); }

Result<std::size_t> FileSource::readAt(std::uint64_t offset, std::span<unsigned char> into) {
    std::size_t done = 0;
    while (done < into.size()) {
        const auto got = ::pread(file_, into.data() + done, into.size() - done,
                                 static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR) continue;
            return SystemError::Last();
        }
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

Result<std::unique_ptr<FileSource>> OpenFileSource(const std::string& path) {
    ReadOpened opened = OpenForReading(path);
    if (!opened.file) return SystemError{opened.error, opened.reason};
    const auto size = static_cast<std::uint64_t>(opened.info.st_size);
    return std::make_unique<FileSource>(opened.file.release(), size);
}

}  // namespace tessaly
