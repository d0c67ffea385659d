#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/files.h"

namespace tessaly {
namespace {

// '*' matches any run of characters (none included), '?' any one character;
// every other character itself. "*.*" matches every name, dotted or not.
bool MatchesWildcard(std::string_view pattern, std::string_view name) {
    if (pattern == "*.*") pattern = "*";
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starAt = std::string_view::npos;  // last '*' seen in the pattern
    std::size_t starName = 0;                     // where in the name that '*' resumes
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starAt = p++;
            starName = n;
        } else if (starAt != std::string_view::npos) {
            p = starAt + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

bool IsHiddenName(std::string_view name) { return !name.empty() && name.front() == '.'; }

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Whether `folder` holds a regular file, not hidden, whose name matches `pattern`.
bool FolderHoldsMatch(const std::string& folder, std::string_view pattern) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return false;
    const std::string prefix = folder.back() == '/' ? folder : folder + '/';
    bool found = false;
    while (!found) {
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) break;
        const std::string_view name(entry->d_name);
        if (IsHiddenName(name) || !MatchesWildcard(pattern, name)) continue;
#ifdef _DIRENT_HAVE_D_TYPE
        if (entry->d_type == DT_REG) {
            found = true;
            continue;
        }
        if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN) continue;
#endif
        found = IsRegularFile(prefix + std::string(name));
    }
    ::closedir(dir);
    return found;
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

bool RegularFileMatches(const std::string& path) {
    if (path.empty()) return false;
    const std::size_t slash = path.rfind('/');
    std::string folder = ".";
    std::string_view pattern = path;
    if (slash != std::string::npos) {
        folder = slash == 0 ? std::string(1, '/') : path.substr(0, slash);
        pattern = std::string_view(path).substr(slash + 1);
    }
    if (pattern.empty()) pattern = "*";
    if (pattern.find_first_of("*?") == std::string_view::npos) {
        return !IsHiddenName(pattern) && IsRegularFile(path);
    }
    return FolderHoldsMatch(folder, pattern);
}

bool FolderExists(const std::string& path) { return IsFolder(path); }

std::string ExecutableFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec && exe.has_parent_path()) return exe.parent_path().string();
    const std::filesystem::path current = std::filesystem::current_path(ec);
    return ec ? std::string(".") : current.string();
}

bool IsWritableFolder(const std::string& folder) {
    return IsFolder(folder) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

namespace {

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* result = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 &&
        result != nullptr && result->pw_dir != nullptr) {
        return result->pw_dir;
    }
    return {};
}

}  // namespace

std::string UserConfigFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') return xdg;
    const std::string home = HomeFolder();
    if (home.empty()) return {};
    return (home.back() == '/' ? home : home + '/') + ".config";
}

bool CreateFolders(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return !ec;
}

FileStamp StampOfFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        FileStamp failed;
        failed.error = errno != 0 ? errno : -1;
        return failed;
    }
    return {0,
            static_cast<std::uint64_t>(st.st_dev),
            static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::int64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec),
            static_cast<std::int64_t>(st.st_mtim.tv_nsec),
            static_cast<std::int64_t>(st.st_ctim.tv_sec),
            static_cast<std::int64_t>(st.st_ctim.tv_nsec)};
}

Result<std::string> ReadSmallFile(const std::string& path) {
    // Looked at before the open, so that a FIFO is never opened; and again
    // once open, in case it changed between the look and the open.
    const SystemError notRegular{EINVAL, "it is not a regular file"};
    struct stat before {};
    if (::stat(path.c_str(), &before) != 0) return SystemError::Last();
    if (!S_ISREG(before.st_mode)) return notRegular;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return SystemError::Last();
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) return SystemError::Last();
    if (!S_ISREG(st.st_mode)) return notRegular;
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    std::array<char, 64 * 1024> chunk{};
    for (;;) {
        const ssize_t n = ::read(fd, chunk.data(), chunk.size());
        if (n == 0) return bytes;
        if (n < 0) {
            if (errno == EINTR) continue;
            return SystemError::Last();
        }
        bytes.append(chunk.data(), static_cast<std::size_t>(n));
    }
}

Result<void> AppendToFile(const std::string& path, std::string_view bytes) {
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) return SystemError::Last();
    Result<void> status;
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            status = SystemError::Last();
            break;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    ::close(fd);
    return status;
}

}  // namespace tessaly
