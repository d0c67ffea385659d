#include "platform/win32/win32_text.h"

#include <cerrno>

namespace tessaly::win32 {

std::wstring Wide(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int n =
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    return wide;
}

std::string Narrow(std::wstring_view utf16) {
    if (utf16.empty()) return {};
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()),
                                        nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), narrow.data(),
                          n, nullptr, nullptr);
    return narrow;
}

std::wstring LongPath(std::string_view utf8) {
    std::wstring path = Wide(utf8);
    for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
    }
    if (path.starts_with(L"\\\\?\\") || path.empty()) return path;
    const DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size != 0) {
        std::wstring full(size, L'\0');
        const DWORD got = ::GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
        if (got != 0 && got < size) {
            full.resize(got);
            path = std::move(full);
        }
    }
    if (path.starts_with(L"\\\\.\\")) return path;  // a device stays as named
    if (path.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + path.substr(2);
    return L"\\\\?\\" + path;
}

SystemError FromCode(DWORD code) {
    int number = EIO;
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
            number = ENOENT;
            break;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            number = EACCES;
            break;
        case ERROR_DIRECTORY:
            number = ENOTDIR;
            break;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            number = ENOMEM;
            break;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            number = ENOSPC;
            break;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            number = EEXIST;
            break;
        case ERROR_WRITE_PROTECT:
            number = EROFS;
            break;
        case ERROR_FILENAME_EXCED_RANGE:
            number = ENAMETOOLONG;
            break;
        case ERROR_INVALID_PARAMETER:
            number = EINVAL;
            break;
        case ERROR_BROKEN_PIPE:
        case ERROR_NO_DATA:
            number = EPIPE;
            break;
        default:
            break;
    }
    return SystemError::FromNumber(number);
}

SystemError LastError() { return FromCode(::GetLastError()); }

Handle OpenShared(std::string_view utf8, DWORD flags) {
    return Handle(::CreateFileW(LongPath(utf8).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr));
}

}  // namespace tessaly::win32
