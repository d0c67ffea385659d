#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

namespace tessaly {

// True when `name` is taken for an index.dat file: it holds "index.dat" anywhere,
// compared without regard to ASCII letter case, and its last four bytes are exactly
// ".dat". So Index.dat and oldindex.dat qualify; INDEX.DAT and index.dat.bak do not.
bool QualifiesAsIndexFile(std::string_view name);

// `path` followed by the folder separator unless it already ends in one; "" gives the
// separator alone.
std::string AddBackslash(std::string path);

// The part of `text` before its first NUL; the whole text when it holds none.
std::string TrimAtNull(std::string_view text);

// The size column of the files list: bytes / 1024 with exactly two decimals, at least
// one digit before the '.', no grouping, a value exactly halfway rounded away from zero
// (1152 bytes give "1.13").
std::string FormatSizeKB(std::uint64_t bytes);
// `bytes` / 2^`shift` in hundredths, rounded half up (shift 10 for KB, 20 for
// MB, up to 40), and hundredths as "whole.cc"; FormatSizeKB is made of both.
std::uint64_t HundredthsOf(std::uint64_t bytes, unsigned shift);
std::string FormatHundredths(std::uint64_t hundredths);

// One qualifying file: its path (the walked folder's base followed by the name exactly as
// the file system gives it, native bytes) and its size in bytes.
struct FoundFile {
    std::string location;
    std::uint64_t size = 0;
};

// Receives what the walk finds, in discovery order, on the walking thread.
class WalkSink {
  public:
    virtual ~WalkSink() = default;
    // Called before the walk descends into a subfolder, with the base of the folder being
    // walked (its path with the trailing separator), not the subfolder's.
    virtual void enteringFolder(const std::string& base) { (void)base; }
    virtual void fileFound(const FoundFile& file) = 0;
};

// Walks the folder tree below `root`, depth first: each folder's own qualifying files in
// the order the directory read returns them, then each subfolder in that order, entered
// fully before the next. Folders whose names begin with '.' are not entered, nor are
// symbolic links below the root, nor kernel file systems such as /proc and /sys. A folder
// that cannot be listed is skipped silently with all below it.
//
// A symbolic link with a qualifying name is listed with the size of the file it points
// to; a dangling link, or one to a folder, is neither listed nor entered.
//
// `stop` is tested before every entry; once it is set the walk returns promptly, keeping
// what it reported. Each folder is read once, and only a small fixed number of folder
// handles is held whatever the depth of the tree, and paths of any length are walked.
//
// A root that cannot be opened as a folder (missing, a file, not readable) lists nothing
// and the result tells why; folders below the root that cannot be listed are skipped as
// said above.
struct WalkOutcome {
    int rootError = 0;  // the system's error number when the root could not be opened, else 0
};
WalkOutcome SearchFolderTree(const std::string& root, WalkSink& sink,
                             const std::atomic<bool>& stop);

// The folder a search starts from when none is stored: the system drive's root.
std::string DefaultSearchRoot();

}  // namespace tessaly
