#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/result.h"

// File-system questions and small file chores of the start-up, the settings
// and the log.
namespace tessaly {

// True exactly when `path`, taken as a pattern whose last component may hold
// the wildcards '*' (any run of characters) and '?' (any one character),
// names at least one regular file that is not hidden (its name does not begin
// with '.'). Folders do not count. A path ending in the separator counts when
// the folder it names holds at least one such file. Names match
// case-sensitively, as the file system does. False for "".
bool RegularFileMatches(const std::string& path);

// True when `path` names a folder (a link to one counts).
bool FolderExists(const std::string& path);

// True when `folder` is a folder this process may create files in.
bool IsWritableFolder(const std::string& folder);

// Creates the folder `path` and any missing folders above it; true when it
// exists afterwards.
bool CreateFolders(const std::string& path);

// The folder of the running executable, without a trailing separator unless
// it is the root; the current folder when the executable cannot be found.
std::string ExecutableFolder();

// The per-user configuration folder: $XDG_CONFIG_HOME when it is set to an
// absolute path, else ~/.config; "" when there is no home folder.
std::string UserConfigFolder();

// What the system tells of a file's content without reading it: two equal
// stamps are taken for the same file with the same bytes.
struct FileStamp {
    int error = 0;  // the system's error number when the file could not be asked; the rest is 0
    std::uint64_t volume = 0;
    std::uint64_t file = 0;
    std::int64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;
    std::int64_t changedSeconds = 0;
    std::int64_t changedNanoseconds = 0;
    bool operator==(const FileStamp&) const = default;
};
FileStamp StampOfFile(const std::string& path);

// The bytes of the regular file at `path`, read whole, without waiting on a
// FIFO. Fails with ENOENT or ENOTDIR when there is no such file, and with
// EINVAL, "it is not a regular file", for anything but a regular file.
Result<std::string> ReadSmallFile(const std::string& path);

// Appends `bytes` to the file at `path`, creating it when missing. Each write
// goes to the end even while another program appends too; the open does not
// wait for a FIFO's reader.
Result<void> AppendToFile(const std::string& path, std::string_view bytes);

}  // namespace tessaly
