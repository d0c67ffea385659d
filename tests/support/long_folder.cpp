#include "support/long_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace tessaly::test {

namespace {

const std::string kLevelName(200, 'L');

// Removes the entry `name` of the folder `parent`, and all below it.
void RemoveAt(int parent, const char* name) {
    if (::unlinkat(parent, name, 0) == 0) return;
    const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return;
    if (DIR* folder = ::fdopendir(fd)) {
        std::vector<std::string> names;
        while (const dirent* entry = ::readdir(folder)) {
            const std::string n = entry->d_name;
            if (n != "." && n != "..") names.push_back(n);
        }
        for (const std::string& n : names) RemoveAt(::dirfd(folder), n.c_str());
        ::closedir(folder);
    } else {
        ::close(fd);
    }
    ::unlinkat(parent, name, AT_REMOVEDIR);
}

}  // namespace

LongFolder::LongFolder(std::string base) : base_(std::move(base)), path_(base_) {
    int fd = ::open(base_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    while (fd >= 0 && path_.size() <= PATH_MAX + 64) {
        ::mkdirat(fd, kLevelName.c_str(), 0755);
        const int next = ::openat(fd, kLevelName.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = next;
        path_ += "/" + kLevelName;
    }
    deepest_ = fd;
}

LongFolder::~LongFolder() {
    if (deepest_ >= 0) ::close(deepest_);
    const int fd = ::open(base_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    RemoveAt(fd, kLevelName.c_str());
    ::close(fd);
}

bool LongFolder::write(std::string_view name, std::string_view bytes) const {
    const std::string n(name);
    const int fd = ::openat(deepest_, n.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    return ::close(fd) == 0 && ok;
}

std::string LongFolder::read(std::string_view name) const {
    const std::string n(name);
    const int fd = ::openat(deepest_, n.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return text;
}

}  // namespace tessaly::test
