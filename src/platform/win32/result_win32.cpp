#include <cerrno>

#include "platform/result.h"
#include "platform/win32/win32_text.h"

namespace tessaly {

// The last failure of this thread: the Win32 error when there is one, else
// the C library's errno.
SystemError SystemError::Last() {
    const DWORD code = ::GetLastError();
    return code != 0 ? win32::FromCode(code) : FromNumber(errno);
}

}  // namespace tessaly
