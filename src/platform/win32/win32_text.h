#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/result.h"

// What the Win32 files share: paths are UTF-8 inside the program and UTF-16
// at the system's boundary, and the system's errors are told in the error
// numbers the rest of the program knows (ENOENT, EACCES, ...).
namespace tessaly::win32 {

std::wstring Wide(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// The path in the form that lifts the MAX_PATH limit: made absolute, '/'
// turned into '\', and "\\?\" put in front ("\\?\UNC\" for a share).
std::wstring LongPath(std::string_view utf8);

// The error of Win32 error code `code`, as the matching error number.
SystemError FromCode(DWORD code);
// FromCode(GetLastError()).
SystemError LastError();

// Closes a handle when dropped.
class Handle {
  public:
    explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
    ~Handle() {
        if (*this) ::CloseHandle(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return handle_; }
    HANDLE release() {
        HANDLE held = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return held;
    }
    explicit operator bool() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }

  private:
    HANDLE handle_;
};

// Opens an existing file for reading only, as every evidence file is opened:
// other programs may go on reading, writing and deleting it (a browser that
// holds its index open), and a folder is opened too so it can be told apart.
Handle OpenShared(std::string_view utf8, DWORD flags = 0);

}  // namespace tessaly::win32
