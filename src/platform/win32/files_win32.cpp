#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "platform/files.h"
#include "platform/win32/win32_text.h"

namespace tessaly {
namespace {

DWORD AttributesOf(const std::string& path) {
    return ::GetFileAttributesW(win32::LongPath(path).c_str());
}

bool IsFolder(const std::string& path) {
    const DWORD attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

bool RegularFileMatches(const std::string& path) {
    if (path.empty()) return false;
    std::string pattern = path;
    if (pattern.back() == '\\' || pattern.back() == '/') pattern += '*';
    WIN32_FIND_DATAW data{};
    const HANDLE find = ::FindFirstFileExW(win32::LongPath(pattern).c_str(), FindExInfoBasic, &data,
                                           FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool found = false;
    do {
        const bool hidden = data.cFileName[0] == L'.';
        found = !hidden && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    } while (!found && ::FindNextFileW(find, &data));
    ::FindClose(find);
    return found;
}

bool FolderExists(const std::string& path) { return IsFolder(path); }

bool IsWritableFolder(const std::string& folder) {
    if (!IsFolder(folder)) return false;
    // The read-only attribute means nothing on a folder: only an attempt tells.
    std::wstring probe = win32::LongPath(folder);
    if (probe.back() != L'\\') probe += L'\\';
    probe += L"~tessaly-write-test-" + std::to_wstring(::GetCurrentProcessId()) + L".tmp";
    const win32::Handle file(::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                                           nullptr));
    return static_cast<bool>(file);
}

bool CreateFolders(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(win32::Wide(path)), ec);
    return !ec && IsFolder(path);
}

std::string ExecutableFolder() {
    std::wstring exe(MAX_PATH, L'\0');
    for (;;) {
        const DWORD got = ::GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size()));
        if (got == 0) return ".";
        if (got < exe.size()) {
            exe.resize(got);
            break;
        }
        exe.resize(exe.size() * 2);
    }
    const std::size_t slash = exe.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return ".";
    // "C:\" keeps its separator.
    return win32::Narrow(exe.substr(0, slash == 2 && exe[1] == L':' ? 3 : slash));
}

std::string UserConfigFolder() {
    const wchar_t* appData = ::_wgetenv(L"APPDATA");
    return appData != nullptr ? win32::Narrow(appData) : std::string();
}

// Times in 100-nanosecond steps since 1601; the change time is the last
// write's, which Windows does not keep apart.
FileStamp StampOfFile(const std::string& path) {
    const win32::Handle file = win32::OpenShared(path);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !::GetFileInformationByHandle(file.get(), &info)) {
        FileStamp failed;
        failed.error = win32::LastError().number;
        return failed;
    }
    const std::int64_t written =
        static_cast<std::int64_t>((std::uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
                                  info.ftLastWriteTime.dwLowDateTime);
    return {
        0,
        info.dwVolumeSerialNumber,
        (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow,
        static_cast<std::int64_t>((std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow),
        written / 10000000,
        written % 10000000 * 100,
        written / 10000000,
        written % 10000000 * 100};
}

Result<std::string> ReadSmallFile(const std::string& path) {
    const SystemError notRegular{EINVAL, "it is not a regular file"};
    const win32::Handle file = win32::OpenShared(path);
    if (!file) return win32::LastError();
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file.get(), &info)) return win32::LastError();
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
        ::GetFileType(file.get()) != FILE_TYPE_DISK) {
        return notRegular;
    }
    std::string bytes;
    char chunk[64 * 1024];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr)) return win32::LastError();
        if (got == 0) return bytes;
        bytes.append(chunk, got);
    }
}

Result<void> AppendToFile(const std::string& path, std::string_view bytes) {
    // FILE_APPEND_DATA alone puts every write at the end, even while another
    // program appends too.
    const win32::Handle file(::CreateFileW(win32::LongPath(path).c_str(), FILE_APPEND_DATA,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return win32::LastError();
    while (!bytes.empty()) {
        DWORD written = 0;
        const auto want = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        if (!::WriteFile(file.get(), bytes.data(), want, &written, nullptr)) {
            return win32::LastError();
        }
        bytes.remove_prefix(written);
    }
    return {};
}

}  // namespace tessaly
