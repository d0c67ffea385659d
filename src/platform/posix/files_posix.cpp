#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "core/app/identity.h"
#include "core/app/install_layout.h"
#include "core/app/startup.h"
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

bool IsWritableFolder(const std::string& folder) {
    return IsFolder(folder) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

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

// $XDG_CONFIG_HOME when it is set to an absolute path, else ~/.config.
std::string UserConfigFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') return xdg;
    const std::string home = HomeFolder();
    if (home.empty()) return {};
    return (home.back() == '/' ? home : home + '/') + ".config";
}

}  // namespace

bool FileExists(const std::string& path) {
    if (IsBlank(path)) return false;
    const std::size_t slash = path.rfind(kSeparator);
    std::string folder = ".";
    std::string_view pattern = path;
    if (slash != std::string::npos) {
        folder = slash == 0 ? std::string(1, kSeparator) : path.substr(0, slash);
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

std::string FindAppFolder(const std::string& exeFolder) {
    if (IsWritableFolder(exeFolder) && !IsFolder(InstalledDataFolder(exeFolder))) return exeFolder;
    std::string base = UserConfigFolder();
    if (base.empty()) return exeFolder;
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return (base == "/" ? base : base + '/') + std::string(kTitle);
}

std::string ResolveAppFolder(const std::string& exeFolder) {
    const std::string folder = FindAppFolder(exeFolder);
    if (folder != exeFolder) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
    }
    return folder;
}

std::string FindHelpPage(const std::string& exeFolder) {
    for (std::string& candidate : HelpPageCandidates(exeFolder)) {
        if (FileExists(candidate)) return std::move(candidate);
    }
    return {};
}

}  // namespace tessaly
