#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <optional>
#include <ostream>
#include <system_error>

#include "platform/fd_stream.h"
#include "platform/posix/open_file.h"
#include "platform/safe_save.h"

namespace tessaly {

namespace {

SaveResult Failed(int error) { return {false, std::generic_category().message(error)}; }
SaveResult Refused(std::string reason) { return {false, std::move(reason)}; }

// ---------------------------------------------------------------------------
// Temporary names removed on SIGINT, SIGTERM and SIGHUP.
//
// A handful of slots, each naming one temporary file by its folder and name.
// The signal handler only reads slots that are complete and calls unlinkat,
// which may be called from a handler.

struct PendingTemp {
    std::atomic<int> state{0};  // kFree, kFilling or kSet
    int folder = -1;
    std::array<char, NAME_MAX + 1> name{};
};

constexpr int kFree = 0;
constexpr int kFilling = 1;
constexpr int kSet = 2;
constexpr std::array kCleanupSignals{SIGINT, SIGTERM, SIGHUP};

std::array<PendingTemp, 32> gPending;
std::array<struct sigaction, kCleanupSignals.size()> gPrevious{};

extern "C" void RemovePendingTemps(int number, siginfo_t* info, void* context) {
    const int savedErrno = errno;
    for (PendingTemp& pending : gPending) {
        if (pending.state.load(std::memory_order_acquire) == kSet) {
            ::unlinkat(pending.folder, pending.name.data(), 0);
        }
    }
    std::size_t i = 0;
    while (i + 1 < kCleanupSignals.size() && kCleanupSignals[i] != number) ++i;
    const struct sigaction& previous = gPrevious[i];
    if ((previous.sa_flags & SA_SIGINFO) != 0) {
        previous.sa_sigaction(number, info, context);
    } else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
        previous.sa_handler(number);
    } else {
        // The signal's own action: it ends the process once this handler returns.
        struct sigaction own {};
        own.sa_handler = SIG_DFL;
        ::sigaction(number, &own, nullptr);
        ::raise(number);
    }
    errno = savedErrno;
}

// Puts the handler in front of the signals that end a process, once. A signal
// that is ignored stays ignored; a handler the program set is still called.
void InstallCleanupHandlers() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (std::size_t i = 0; i < kCleanupSignals.size(); ++i) {
            struct sigaction action {};
            action.sa_sigaction = &RemovePendingTemps;
            action.sa_flags = SA_SIGINFO | SA_RESTART;
            sigfillset(&action.sa_mask);
            if (::sigaction(kCleanupSignals[i], nullptr, &gPrevious[i]) != 0) continue;
            if ((gPrevious[i].sa_flags & SA_SIGINFO) == 0 && gPrevious[i].sa_handler == SIG_IGN) {
                continue;
            }
            ::sigaction(kCleanupSignals[i], &action, nullptr);
        }
    });
}

// A temporary name that is removed if a signal ends the process while it
// exists. Take it before the name is created and drop it once the name is
// gone (renamed or removed).
class PendingName {
  public:
    PendingName(int folder, const std::string& name) {
        InstallCleanupHandlers();
        for (PendingTemp& pending : gPending) {
            int expected = kFree;
            if (!pending.state.compare_exchange_strong(expected, kFilling,
                                                       std::memory_order_acquire)) {
                continue;
            }
            pending.folder = folder;
            const std::size_t n = std::min(name.size(), pending.name.size() - 1);
            std::memcpy(pending.name.data(), name.data(), n);
            pending.name[n] = '\0';
            pending.state.store(kSet, std::memory_order_release);
            slot_ = &pending;
            return;
        }
        // Every slot is taken by other saves at the same time: this name then
        // goes without the signal cleanup, and is still removed on every
        // ordinary way out.
    }
    ~PendingName() {
        if (slot_ != nullptr) slot_->state.store(kFree, std::memory_order_release);
    }
    PendingName(const PendingName&) = delete;
    PendingName& operator=(const PendingName&) = delete;

  private:
    PendingTemp* slot_ = nullptr;
};

// ---------------------------------------------------------------------------

// The longest name the folder takes.
std::size_t NameLimit(int folder) {
    const long limit = ::fpathconf(folder, _PC_NAME_MAX);
    return limit > 0 ? static_cast<std::size_t>(limit) : std::size_t{NAME_MAX};
}

// The temporary name of try `attempt` for `name`: the name with a suffix,
// cut short so that the whole fits `limit`.
std::string TemporaryName(const std::string& name, std::size_t limit, unsigned attempt) {
    const std::string suffix = ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
    const std::size_t keep = limit > suffix.size() ? limit - suffix.size() : 0;
    return name.substr(0, keep) + suffix;
}

// Where a target lives once every symbolic link is followed: its folder
// (an O_PATH handle), its name there, and its status if it exists.
struct Place {
    FileHandle folder;
    std::string name;
    bool exists = false;
    struct stat info {};
};

constexpr int kMaxLinks = 40;  // as the system follows at most 40 in one path

// Fills `place` for `target`; 0 or the system's error number.
int Locate(std::string path, Place& place) {
    if (path.empty()) return ENOENT;
    for (int links = 0;; ++links) {
        if (path.ends_with('/')) return EISDIR;
        const std::size_t slash = path.rfind('/');
        const std::string folder = slash == std::string::npos ? "."
                                   : slash == 0               ? "/"
                                                              : path.substr(0, slash);
        place.name = slash == std::string::npos ? path : path.substr(slash + 1);
        if (place.name.empty() || place.name == "." || place.name == "..") return EISDIR;
        place.folder.reset(OpenPath(folder, O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!place.folder) return errno;
        if (::fstatat(place.folder.get(), place.name.c_str(), &place.info, AT_SYMLINK_NOFOLLOW) !=
            0) {
            if (errno != ENOENT) return errno;
            place.exists = false;
            return 0;
        }
        place.exists = true;
        if (!S_ISLNK(place.info.st_mode)) return 0;
        if (links == kMaxLinks) return ELOOP;
        // Follow the link: relative to its own folder, as the system does.
        std::string link(PATH_MAX, '\0');
        for (;;) {
            const ssize_t n =
                ::readlinkat(place.folder.get(), place.name.c_str(), link.data(), link.size());
            if (n < 0) return errno;
            if (static_cast<std::size_t>(n) < link.size()) {
                link.resize(static_cast<std::size_t>(n));
                break;
            }
            link.resize(link.size() * 2);
        }
        path = link.starts_with('/') ? link : folder + "/" + link;
    }
}

// Holds SIGPIPE back from the calling thread while it lives, so that a FIFO
// whose reader goes away fails the write with EPIPE instead of ending the
// program; a SIGPIPE raised meanwhile is taken away before the signal is let
// through again.
class SigpipeHeld {
  public:
    SigpipeHeld() {
        sigemptyset(&pipe_);
        sigaddset(&pipe_, SIGPIPE);
        sigset_t pending;
        hadPending_ = ::sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
        ::pthread_sigmask(SIG_BLOCK, &pipe_, &previous_);
    }
    ~SigpipeHeld() {
        if (!hadPending_) {
            const timespec none{0, 0};
            while (::sigtimedwait(&pipe_, nullptr, &none) == SIGPIPE) {
            }
        }
        ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    }
    SigpipeHeld(const SigpipeHeld&) = delete;
    SigpipeHeld& operator=(const SigpipeHeld&) = delete;

  private:
    sigset_t pipe_;
    sigset_t previous_;
    bool hadPending_ = false;
};

// An existing target that is not a regular file: written where it is.
SaveResult WriteInPlace(const Place& place, const std::function<void(std::ostream&)>& write) {
    // O_NONBLOCK: a FIFO without a reader fails at once (ENXIO) instead of
    // waiting for one.
    FileHandle file(::openat(place.folder.get(), place.name.c_str(),
                             O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file) {
        if (errno == ENXIO && S_ISFIFO(place.info.st_mode)) {
            return Refused("No process is reading from the FIFO");
        }
        if (errno == ENXIO && S_ISSOCK(place.info.st_mode)) {
            return Refused("It is a socket, which cannot be written as a file");
        }
        return Failed(errno);
    }
    const int flags = ::fcntl(file.get(), F_GETFL);
    if (flags < 0 || ::fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) return Failed(errno);
    const SigpipeHeld held;
    if (const int error = WriteThrough(file.get(), write); error != 0) return Failed(error);
    if (::close(file.release()) != 0) return Failed(errno);
    return {};
}

// The new file, open for writing in the target's folder, and its name there
// once it has one.
struct NewFile {
    FileHandle file;
    std::string name;  // empty while the file is unnamed
    std::optional<PendingName> pending;
};

// Opens an unnamed new file in the folder if the file system allows it and it
// can be named later through /proc; false otherwise.
bool CreateUnnamed(const Place& place, NewFile& made) {
#ifdef O_TMPFILE
    FileHandle file(::openat(place.folder.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
    if (!file) return false;
    struct stat info {};
    if (::stat(("/proc/self/fd/" + std::to_string(file.get())).c_str(), &info) != 0) return false;
    made.file = std::move(file);
    return true;
#else
    (void)place;
    (void)made;
    return false;
#endif
}

// Creates a new file with a temporary name beside the target; 0 or the
// system's error number.
int CreateNamed(const Place& place, NewFile& made) {
    const std::size_t limit = NameLimit(place.folder.get());
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        made.name = TemporaryName(place.name, limit, attempt);
        made.pending.emplace(place.folder.get(), made.name);
        made.file.reset(::openat(place.folder.get(), made.name.c_str(),
                                 O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (made.file) return 0;
        const int error = errno;
        made.pending.reset();
        made.name.clear();
        if (error != EEXIST) return error;
    }
    return EEXIST;
}

// Gives the unnamed file a temporary name beside the target; 0 or the
// system's error number.
int NameUnnamed(const Place& place, NewFile& made) {
    const std::string self = "/proc/self/fd/" + std::to_string(made.file.get());
    const std::size_t limit = NameLimit(place.folder.get());
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        made.name = TemporaryName(place.name, limit, attempt);
        made.pending.emplace(place.folder.get(), made.name);
        if (::linkat(AT_FDCWD, self.c_str(), place.folder.get(), made.name.c_str(),
                     AT_SYMLINK_FOLLOW) == 0) {
            return 0;
        }
        const int error = errno;
        made.pending.reset();
        made.name.clear();
        if (error != EEXIST) return error;
    }
    return EEXIST;
}

// Gives the new file the mode, and the owner and group where the system
// allows, of the file it replaces; the system's error when the mode cannot be
// given, 0 otherwise.
int TakeOverIdentity(int fd, const struct stat& old) {
    // Owner first: changing it clears the set-user-ID and set-group-ID bits.
    // Only a privileged user may give a file away; anyone may keep the group
    // when they belong to it; otherwise the new file stays the user's own.
    if (::fchown(fd, old.st_uid, old.st_gid) != 0 &&
        ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
        errno = 0;
    }
    return ::fchmod(fd, old.st_mode & 07777) == 0 ? 0 : errno;
}

SaveResult ReplaceRegular(const Place& place, const std::function<void(std::ostream&)>& write,
                          bool unnamedTemporary) {
    if (place.exists &&
        ::faccessat(place.folder.get(), place.name.c_str(), W_OK, AT_EACCESS) != 0) {
        return Failed(errno);
    }
    NewFile made;
    if (!unnamedTemporary || !CreateUnnamed(place, made)) {
        if (const int error = CreateNamed(place, made); error != 0) return Failed(error);
    }
    // Until the rename succeeds a named new file is removed on every way out.
    struct Cleanup {
        const Place& place;
        NewFile& made;
        bool keep = false;
        ~Cleanup() {
            made.file.reset();
            if (!keep && !made.name.empty()) ::unlinkat(place.folder.get(), made.name.c_str(), 0);
        }
    } cleanup{place, made};

    if (place.exists) {
        if (const int error = TakeOverIdentity(made.file.get(), place.info); error != 0)
            return Failed(error);
    }
    if (const int error = WriteThrough(made.file.get(), write); error != 0) return Failed(error);
    if (::fsync(made.file.get()) != 0) return Failed(errno);
    if (made.name.empty()) {
        if (const int error = NameUnnamed(place, made); error != 0) return Failed(error);
    }
    if (::close(made.file.release()) != 0) return Failed(errno);
    if (::renameat(place.folder.get(), made.name.c_str(), place.folder.get(), place.name.c_str()) !=
        0) {
        return Failed(errno);
    }
    cleanup.keep = true;
    // The rename itself reaches the disk with the folder.
    if (FileHandle folder(::openat(place.folder.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        folder) {
        // The file itself is on disk already; a folder that cannot be synced
        // (some file systems refuse) leaves only the name's timing open.
        if (::fsync(folder.get()) != 0) errno = 0;
    }
    return {};
}

}  // namespace

namespace {

FileIdentity IdentityOf(const struct stat& info) {
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

}  // namespace

std::optional<FileIdentity> IdentityOfPath(const std::string& path) {
    const FileHandle file(path.empty() ? -1 : OpenPath(path, O_PATH | O_CLOEXEC));
    if (!file) return std::nullopt;
    return IdentityOfDescriptor(file.get());
}

std::optional<FileIdentity> IdentityOfDescriptor(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) return std::nullopt;
    return IdentityOf(info);
}

SaveResult SaveAtomically(const std::string& target,
                          const std::function<void(std::ostream&)>& write,
                          const SaveOptions& options) {
    Place place;
    if (const int error = Locate(target, place); error != 0) return Failed(error);
    if (place.exists) {
        if (S_ISDIR(place.info.st_mode)) return Failed(EISDIR);
        if (std::string conflict = ReadFileConflict(IdentityOf(place.info), options.readFrom);
            !conflict.empty()) {
            return Refused(std::move(conflict));
        }
        if (!S_ISREG(place.info.st_mode)) return WriteInPlace(place, write);
    }
    return ReplaceRegular(place, write, options.unnamedTemporary);
}

}  // namespace tessaly
