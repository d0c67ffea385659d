// The safe save on Windows: the new file is written under a temporary name in
// the target's folder with write-through, flushed, and put in the target's
// place by ReplaceFileW (which keeps the replaced file's attributes and
// security) or, for a new target, MoveFileExW with write-through.
#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <cerrno>
#include <ostream>

#include "platform/fd_stream.h"
#include "platform/safe_save.h"
#include "platform/win32/win32_text.h"

namespace tessaly {
namespace {

SaveResult Failed(const SystemError& error) { return {false, error.description}; }

std::optional<FileIdentity> IdentityOfHandle(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle, &info)) return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber,
                        (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

// Writes through the open `handle`, which it takes over and closes.
SaveResult WriteHandle(HANDLE handle, const std::function<void(std::ostream&)>& write, bool flush) {
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(handle);
        return Failed(SystemError::FromNumber(EMFILE));
    }
    int error = 0;
    try {
        error = WriteThrough(fd, write);
    } catch (...) {
        ::_close(fd);
        throw;
    }
    if (error == 0 && flush && !::FlushFileBuffers(handle)) error = win32::LastError().number;
    ::_close(fd);
    return error == 0 ? SaveResult{} : Failed(SystemError::FromNumber(error));
}

}  // namespace

std::optional<FileIdentity> IdentityOfPath(const std::string& path) {
    if (path.empty()) return std::nullopt;
    const win32::Handle file = win32::OpenShared(path);
    if (!file) return std::nullopt;
    return IdentityOfHandle(file.get());
}

std::optional<FileIdentity> IdentityOfDescriptor(int fd) {
    const intptr_t handle = ::_get_osfhandle(fd);
    if (handle == -1) return std::nullopt;
    return IdentityOfHandle(reinterpret_cast<HANDLE>(handle));
}

SaveResult SaveAtomically(const std::string& target,
                          const std::function<void(std::ostream&)>& write,
                          const SaveOptions& options) {
    const std::wstring wideTarget = win32::LongPath(target);
    const DWORD attributes = ::GetFileAttributesW(wideTarget.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists) {
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            return Failed(SystemError::FromNumber(EISDIR));
        }
        if (const std::optional<FileIdentity> identity = IdentityOfPath(target)) {
            if (std::string conflict = ReadFileConflict(*identity, options.readFrom);
                !conflict.empty()) {
                return {false, std::move(conflict)};
            }
        }
        if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
            return Failed(SystemError::FromNumber(EACCES));
        }
        // A device (NUL, CON, a pipe) is written in place, never replaced.
        win32::Handle existing(::CreateFileW(wideTarget.c_str(), GENERIC_WRITE,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                             OPEN_EXISTING, 0, nullptr));
        if (existing && ::GetFileType(existing.get()) != FILE_TYPE_DISK) {
            return WriteHandle(existing.release(), write, false);
        }
    }

    const std::size_t slash = wideTarget.find_last_of(L'\\');
    static std::atomic<unsigned> counter{0};
    const std::wstring temp = wideTarget.substr(0, slash + 1) + L"~tessaly-" +
                              std::to_wstring(::GetCurrentProcessId()) + L"-" +
                              std::to_wstring(counter++) + L".tmp";
    const HANDLE file = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Failed(win32::LastError());
    SaveResult written;
    try {
        written = WriteHandle(file, write, true);
    } catch (...) {
        ::DeleteFileW(temp.c_str());
        throw;
    }
    if (!written.ok) {
        ::DeleteFileW(temp.c_str());
        return written;
    }
    bool placed = exists && ::ReplaceFileW(wideTarget.c_str(), temp.c_str(), nullptr,
                                           REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
    if (!placed) {
        placed = ::MoveFileExW(temp.c_str(), wideTarget.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    }
    if (!placed) {
        const SystemError error = win32::LastError();
        ::DeleteFileW(temp.c_str());
        return Failed(error);
    }
    return {};
}

}  // namespace tessaly
