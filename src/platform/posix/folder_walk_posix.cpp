// The folder walk on POSIX systems: openat relative to the parent folder, one read of each
// folder (getdents64 on Linux), and a stat call only for names that qualify or whose type
// the directory read does not tell.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/folder_walk.h"
#include "platform/mount_table.h"
#include "platform/posix/open_file.h"

namespace tessaly {

namespace {

constexpr char kSeparator = '/';
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
// Folder handles kept open on the path being walked, for opening subfolders relative to
// them. A folder further up has its handle closed and opened again when the walk returns
// to it (see HandleOfTop), so a tree of any depth needs no more handles than this.
constexpr std::size_t kKeptHandles = 16;
constexpr std::size_t kReadBufferSize = 64 * 1024;

void CloseHandle(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// Calls visit(name, d_type) for each entry of the open folder `fd`, in the order the file
// system returns them, until visit returns false. Returns false when visit did; a read
// error just ends the listing.
template <class Visit>
bool ForEachEntry(int fd, std::vector<char>& buffer, Visit&& visit) {
#ifdef __linux__
    for (;;) {
        const ssize_t filled = ::getdents64(fd, buffer.data(), buffer.size());
        if (filled <= 0) return true;
        for (ssize_t at = 0; at < filled;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(buffer.data() + at);
            at += entry->d_reclen;
            if (!visit(std::string_view(entry->d_name), entry->d_type)) return false;
        }
    }
#else
    (void)buffer;
    const int own = ::dup(fd);
    if (own < 0) return true;
    DIR* folder = ::fdopendir(own);
    if (folder == nullptr) {
        ::close(own);
        return true;
    }
    bool finished = true;
    while (const struct dirent* entry = ::readdir(folder)) {
        if (!visit(std::string_view(entry->d_name), entry->d_type)) {
            finished = false;
            break;
        }
    }
    ::closedir(folder);
    return finished;
#endif
}

unsigned char TypeFromMode(mode_t mode) {
    if (S_ISDIR(mode)) return DT_DIR;
    if (S_ISLNK(mode)) return DT_LNK;
    return DT_REG;
}

class FolderWalk {
  public:
    FolderWalk(FolderVisitor& visitor, const std::atomic<bool>& stop)
        : visitor_(visitor), stop_(stop), buffer_(kReadBufferSize) {}

    ~FolderWalk() {
        for (Frame& frame : frames_) CloseHandle(frame.fd);
        CloseHandle(released_.fd);
    }

    FolderWalk(const FolderWalk&) = delete;
    FolderWalk& operator=(const FolderWalk&) = delete;

    // Returns 0, or the system's error number when the root cannot be opened as a folder.
    int Run(const std::string& root) {
        path_ = root;
        if (path_.empty() || path_.back() != kSeparator) path_ += kSeparator;
        rootLength_ = path_.size();
        const int rootFd = OpenPath(path_, kFolderFlags);  // the root may be a link
        if (rootFd < 0) return errno;
        skippedMounts_ = VirtualMountsBelow(path_);
        if (!ReadFolder(rootFd, 0)) return 0;

        while (!frames_.empty()) {
            if (Stopped()) return 0;
            Frame& top = frames_.back();
            if (top.next >= top.subfolders.size()) {
                Release(top.fd, top.depth);
                frames_.pop_back();
                continue;
            }
            const std::string_view name = TakeNextSubfolder(top);
            path_.resize(top.baseLength);
            if (IsSkippedMount(name)) continue;
            visitor_.enteringFolder(path_);

            const int parentFd = HandleOfTop();
            if (parentFd < 0) {  // the folder itself has gone meanwhile
                top.next = top.subfolders.size();
                continue;
            }
            const int fd = ::openat(parentFd, name.data(), kFolderFlags | O_NOFOLLOW);
            const std::size_t depth = top.depth + 1;
            path_ += name;
            path_ += kSeparator;
            if (top.next >= top.subfolders.size()) {
                // Its last subfolder: the frame is done, and dropping it now keeps a long
                // chain of single subfolders from piling up frames.
                Release(top.fd, top.depth);
                frames_.pop_back();
            }
            if (fd >= 0 && !ReadFolder(fd, depth)) return 0;
        }
        return 0;
    }

  private:
    // A folder read whose subfolders are still to be walked.
    struct Frame {
        std::size_t baseLength;  // its path with the separator is path_.substr(0, baseLength)
        std::size_t depth;       // folders between it and the root; 0 for the root
        int fd;                  // -1 once closed to stay within kKeptHandles
        std::string subfolders;  // names in read order, each ended by a NUL
        std::size_t next = 0;    // offset of the next name in subfolders
        // Which folder it is, taken when its handle is closed: a handle found
        // again by climbing ".." must be this folder, not wherever a folder
        // below it was moved to meanwhile.
        dev_t device = 0;
        ino_t inode = 0;
    };

    // The folder handle given up last, kept for climbing back up to an ancestor whose
    // handle was closed: it always lies below the folder the walk returns to.
    struct Released {
        int fd = -1;
        std::size_t depth = 0;
    };

    void Release(int& fd, std::size_t depth) {
        if (fd < 0) return;
        CloseHandle(released_.fd);
        released_ = {fd, depth};
        fd = -1;
    }

    bool Stopped() const { return stop_.load(std::memory_order_relaxed); }

    static std::string_view TakeNextSubfolder(Frame& frame) {
        const char* name = frame.subfolders.data() + frame.next;
        const std::size_t length = std::strlen(name);
        frame.next += length + 1;
        return {name, length};
    }

    // Reads the folder open as `fd` whose base is path_: reports its qualifying files and
    // keeps its subfolders for later. Takes over `fd`. Returns false when stopped.
    bool ReadFolder(int fd, std::size_t depth) {
        Frame frame{path_.size(), depth, fd, {}};
        const bool finished =
            ForEachEntry(fd, buffer_, [&](std::string_view name, unsigned char type) {
                if (Stopped()) return false;
                Consider(fd, name, type, frame.subfolders);
                return true;
            });
        if (!finished) {
            ::close(fd);
            return false;
        }
        if (frame.subfolders.empty()) {
            Release(fd, depth);
            return true;
        }
        frames_.push_back(std::move(frame));
        if (frames_.size() > kKeptHandles) {
            Frame& far = frames_[frames_.size() - 1 - kKeptHandles];
            struct stat info {};
            if (far.fd >= 0 && ::fstat(far.fd, &info) == 0) {
                far.device = info.st_dev;
                far.inode = info.st_ino;
            }
            CloseHandle(far.fd);
        }
        return true;
    }

    void Consider(int folderFd, std::string_view name, unsigned char type,
                  std::string& subfolders) {
        if (name == "." || name == "..") return;
        const bool enters = visitor_.entersFolder(name);
        if (type == DT_UNKNOWN) {
            if (!enters && !visitor_.wantsFile(name)) return;
            struct stat info {};
            if (::fstatat(folderFd, name.data(), &info, AT_SYMLINK_NOFOLLOW) != 0) return;
            type = TypeFromMode(info.st_mode);
        }
        if (type == DT_DIR) {
            if (enters) {
                subfolders += name;
                subfolders += '\0';
            }
            return;
        }
        if (!visitor_.wantsFile(name)) return;
        // A link is sized by the file it points to; a dangling one, or one to a folder, is
        // left out.
        struct stat info {};
        const int follow = type == DT_LNK ? 0 : AT_SYMLINK_NOFOLLOW;
        if (::fstatat(folderFd, name.data(), &info, follow) != 0 || S_ISDIR(info.st_mode)) return;
        found_.assign(path_).append(name);
        visitor_.fileFound(found_, static_cast<std::uint64_t>(info.st_size));
    }

    // The handle of the top frame's folder, opened again if it was closed, by whichever is
    // shorter: climbing ".." from the handle given up last, or going down by name from the
    // nearest ancestor still open (or from the root). -1 when that fails.
    int HandleOfTop() {
        Frame& top = frames_.back();
        if (top.fd >= 0) return top.fd;

        std::size_t from = rootLength_;
        std::size_t downSteps = top.depth + 1;
        int fd = -1;
        for (std::size_t i = frames_.size() - 1; i-- > 0;) {
            if (frames_[i].fd >= 0) {
                from = frames_[i].baseLength;
                downSteps = top.depth - frames_[i].depth;
                fd = frames_[i].fd;
                break;
            }
        }
        if (released_.fd >= 0 && released_.depth > top.depth &&
            released_.depth - top.depth <= downSteps) {
            const int climbed = Climb(released_.fd, released_.depth - top.depth);
            struct stat info {};
            if (climbed >= 0 && ::fstat(climbed, &info) == 0 && info.st_dev == top.device &&
                info.st_ino == top.inode) {
                top.fd = climbed;
                return top.fd;
            }
            // A folder on the way was moved: ".." led elsewhere. Go by name instead.
            if (climbed >= 0) ::close(climbed);
        }

        bool ownsFd = false;
        if (fd < 0) {
            fd = OpenPath(path_.substr(0, rootLength_), kFolderFlags);
            if (fd < 0) return -1;
            ownsFd = true;
        }
        // One name at a time: the path below may be longer than the system accepts at once.
        std::string name;
        while (from < top.baseLength) {
            const std::size_t end = path_.find(kSeparator, from);
            name.assign(path_, from, end - from);
            const int next = ::openat(fd, name.c_str(), kFolderFlags | O_NOFOLLOW);
            if (ownsFd) ::close(fd);
            if (next < 0) return -1;
            fd = next;
            ownsFd = true;
            from = end + 1;
        }
        top.fd = fd;
        return fd;
    }

    // A new handle of the folder `levels` above the folder open as `fd`; -1 on failure.
    static int Climb(int fd, std::size_t levels) {
        int current = fd;
        for (std::size_t i = 0; i < levels; ++i) {
            const int parent = ::openat(current, "..", kFolderFlags);
            if (current != fd) ::close(current);
            if (parent < 0) return -1;
            current = parent;
        }
        return current;
    }

    // True when the subfolder `name` of the folder at path_ is a virtual file system's
    // mount point.
    bool IsSkippedMount(std::string_view name) const {
        if (skippedMounts_.empty()) return false;
        const std::string_view parent = std::string_view(path_).substr(rootLength_);
        for (const std::string& mount : skippedMounts_) {
            if (mount.size() == parent.size() + name.size() && mount.starts_with(parent) &&
                mount.ends_with(name)) {
                return true;
            }
        }
        return false;
    }

    FolderVisitor& visitor_;
    const std::atomic<bool>& stop_;
    std::vector<char> buffer_;
    std::string path_;  // the base of the folder in hand: the root as typed plus names
    std::size_t rootLength_ = 0;
    std::vector<Frame> frames_;
    std::vector<std::string> skippedMounts_;  // relative to the root
    Released released_;
    std::string found_;
};

}  // namespace

Result<void> WalkFolders(const std::string& root, FolderVisitor& visitor,
                         const std::atomic<bool>& stop) {
    FolderWalk walk(visitor, stop);
    const int error = walk.Run(root);
    if (error != 0) return SystemError::FromNumber(error);
    return {};
}

}  // namespace tessaly
