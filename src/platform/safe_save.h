#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tessaly {

struct SaveResult {
    bool ok = true;
    std::string reason;  // the system's reason when !ok, e.g. "Permission denied"
};

struct SaveOptions {
    // The files the output is made from (the evidence). The target must be
    // none of them, under whatever name (another spelling, a hard link, a
    // symbolic link): such a save is refused and nothing is touched.
    std::vector<std::string> readFrom;
    // Create the new file unnamed (O_TMPFILE) where the file system allows,
    // and give it a name only once it is complete. False always uses a named
    // temporary file: tests reach that way with it.
    bool unnamedTemporary = true;
};

// Saves what `write` writes as the file `target`, without ever leaving a
// half-written or lost file behind:
// - A new or regular target is written as a new file in the target's folder,
//   flushed to disk and renamed over the target. The replaced file's mode,
//   owner and group are kept (owner and group where the system allows). A
//   target the user may not write is refused ("Permission denied"), as the
//   shell's ">" refuses it.
// - A symbolic link is followed to the file it finally names, which is
//   replaced as above; the link stays.
// - An existing target that is not a regular file (a device, a FIFO, a
//   socket) is written in place, never replaced. A FIFO must have a reader
//   already: the open does not wait for one.
// - The new file is unnamed while it is written where the file system allows;
//   otherwise its temporary name is removed on every way out, on SIGINT,
//   SIGTERM and SIGHUP too. The temporary name fits the folder's name limit
//   whatever the length of the target's name.
// On failure `target` is left as it was and the result carries the reason.
// An exception thrown by `write` leaves everything as it was and passes on.
SaveResult SaveAtomically(const std::string& target,
                          const std::function<void(std::ostream&)>& write,
                          const SaveOptions& options = {});

// Which file a path or an open file is, whatever its name: its device (volume)
// and its number there (inode, file index).
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// The identity of the file `path` names (links followed); none when it cannot
// be found.
std::optional<FileIdentity> IdentityOfPath(const std::string& path);
// The identity of the file open as C runtime descriptor `fd`.
std::optional<FileIdentity> IdentityOfDescriptor(int fd);

// The refusal for an output that is the file `output`: "It is the file being
// read (PATH)" when it is one of `readFrom`, empty when it is none of them.
std::string ReadFileConflict(const FileIdentity& output, std::span<const std::string> readFrom);

}  // namespace tessaly
