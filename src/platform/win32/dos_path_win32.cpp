#include "platform/dos_path.h"
#include "platform/win32/win32_text.h"

namespace tessaly {

std::string GetDosPath(const std::string& longPath) {
    const std::wstring wide = win32::Wide(longPath);
    std::wstring shortPath(wide.size() + 1, L'\0');
    DWORD got =
        ::GetShortPathNameW(wide.c_str(), shortPath.data(), static_cast<DWORD>(shortPath.size()));
    if (got >= shortPath.size()) {
        // An alias can be longer than its name ("a b"): ask again with the
        // size the system reported.
        shortPath.assign(got, L'\0');
        got = ::GetShortPathNameW(wide.c_str(), shortPath.data(),
                                  static_cast<DWORD>(shortPath.size()));
        if (got >= shortPath.size()) return {};
    }
    if (got == 0) return {};
    shortPath.resize(got);
    return win32::Narrow(shortPath);
}

}  // namespace tessaly
