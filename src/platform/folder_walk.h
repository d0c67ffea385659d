#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace tessaly {

// What a folder walk asks and tells its caller, which owns the rules: which
// names count and which folders are entered. Called on the walking thread.
class FolderVisitor {
  public:
    virtual ~FolderVisitor() = default;
    // Whether a file (or a link to one) named `name` is reported.
    virtual bool wantsFile(std::string_view name) const = 0;
    // Whether the subfolder named `name` is entered.
    virtual bool entersFolder(std::string_view name) const = 0;
    // Called before the walk descends into a subfolder, with the base of the
    // folder being walked (its path with the trailing separator), not the
    // subfolder's.
    virtual void enteringFolder(const std::string& base) = 0;
    // A wanted file: the walked folder's base followed by the name exactly as
    // the file system gives it, and the size of the file (of the file a link
    // points to).
    virtual void fileFound(const std::string& path, std::uint64_t size) = 0;
};

// Walks the folder tree below `root`, depth first: each folder's own wanted
// files in the order the directory read returns them, then each entered
// subfolder in that order, entered fully before the next. Symbolic links (on
// Windows, reparse points: junctions and links) below the root are never
// entered, nor are the kernel's virtual file systems such as /proc and /sys.
// A folder that cannot be listed is skipped silently with all below it.
//
// A link with a wanted name is reported with the size of the file it points
// to; a dangling link, or one to a folder, is neither reported nor entered.
//
// `stop` is tested before every entry; once it is set the walk returns
// promptly, keeping what it reported. Each folder is read once, only a small
// fixed number of folder handles is held whatever the depth of the tree, and
// paths of any length are walked.
//
// Fails only when the root cannot be opened as a folder (missing, a file, not
// readable), with the system's reason; nothing is reported then.
Result<void> WalkFolders(const std::string& root, FolderVisitor& visitor,
                         const std::atomic<bool>& stop);

}  // namespace tessaly
