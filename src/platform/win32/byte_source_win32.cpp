#include <cerrno>

#include "platform/byte_source.h"
#include "platform/win32/win32_text.h"

namespace tessaly {

FileSource::~FileSource() { ::CloseHandle(file_); }

Result<std::size_t> FileSource::readAt(std::uint64_t offset, std::span<unsigned char> into) {
    std::size_t done = 0;
    while (done < into.size()) {
        OVERLAPPED at{};
        const std::uint64_t from = offset + done;
        at.Offset = static_cast<DWORD>(from);
        at.OffsetHigh = static_cast<DWORD>(from >> 32);
        const auto want = static_cast<DWORD>(std::min<std::size_t>(into.size() - done, 1u << 30));
        DWORD got = 0;
        if (!::ReadFile(file_, into.data() + done, want, &got, &at)) {
            const DWORD code = ::GetLastError();
            if (code == ERROR_HANDLE_EOF) break;
            return win32::FromCode(code);
        }
        if (got == 0) break;
        done += got;
    }
    return done;
}

Result<std::unique_ptr<FileSource>> OpenFileSource(const std::string& path) {
    win32::Handle file = win32::OpenShared(path);
    if (!file) return win32::LastError();
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file.get(), &info)) return win32::LastError();
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return SystemError::FromNumber(EISDIR);
    }
    // Only a file on a disk has an end to read to: a pipe or a device (CON,
    // NUL) may block or never end.
    if (::GetFileType(file.get()) != FILE_TYPE_DISK)
        return SystemError{EINVAL, "Not a regular file"};
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size)) return win32::LastError();
    return std::make_unique<FileSource>(file.release(), static_cast<std::uint64_t>(size.QuadPart));
}

}  // namespace tessaly
