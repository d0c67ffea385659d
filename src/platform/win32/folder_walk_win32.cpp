// The folder walk on Windows: one FindFirstFileExW listing of each folder
// (basic information, large fetches), through the "\\?\" form so paths of
// any length are walked. Only one search handle is open at a time: a folder
// is listed whole before the walk goes on.
#include <cerrno>
#include <vector>

#include "platform/folder_walk.h"
#include "platform/win32/win32_text.h"

namespace tessaly {
namespace {

constexpr char kSeparator = '\\';

// A folder listed whose subfolders are still to be walked.
struct Frame {
    std::size_t baseLength;               // its base is path.substr(0, baseLength)
    std::vector<std::string> subfolders;  // in listing order
    std::size_t next = 0;
};

// The size of the file `path` names, following links; false when it cannot
// be opened (a dangling link).
bool TargetSize(const std::string& path, std::uint64_t& size) {
    const win32::Handle file = win32::OpenShared(path);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !::GetFileInformationByHandle(file.get(), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return false;
    }
    size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
    return true;
}

class FolderWalk {
  public:
    FolderWalk(FolderVisitor& visitor, const std::atomic<bool>& stop)
        : visitor_(visitor), stop_(stop) {}

    Result<void> run(const std::string& root) {
        path_ = root;
        if (path_.empty() || (path_.back() != kSeparator && path_.back() != '/')) {
            path_ += kSeparator;
        }
        // Asked of the root without its trailing separator, so that a file
        // named with one is found, and told to be no folder.
        std::string named = root;
        while (named.size() > 1 && (named.back() == kSeparator || named.back() == '/') &&
               named[named.size() - 2] != ':') {
            named.pop_back();
        }
        const DWORD attributes = ::GetFileAttributesW(win32::LongPath(named).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return win32::LastError();
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return SystemError::FromNumber(ENOTDIR);
        if (!list()) return {};
        while (!frames_.empty()) {
            if (stopped()) return {};
            Frame& top = frames_.back();
            if (top.next >= top.subfolders.size()) {
                frames_.pop_back();
                continue;
            }
            path_.resize(top.baseLength);
            visitor_.enteringFolder(path_);
            path_ += top.subfolders[top.next++];
            path_ += kSeparator;
            if (top.next >= top.subfolders.size()) frames_.pop_back();
            if (!list()) return {};
        }
        return {};
    }

  private:
    bool stopped() const { return stop_.load(std::memory_order_relaxed); }

    // Lists the folder whose base is path_: reports its wanted files and keeps
    // its subfolders for later. False when stopped.
    bool list() {
        Frame frame{path_.size(), {}};
        WIN32_FIND_DATAW data{};
        const HANDLE find =
            ::FindFirstFileExW(win32::LongPath(path_ + '*').c_str(), FindExInfoBasic, &data,
                               FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
        if (find == INVALID_HANDLE_VALUE) return !stopped();  // skipped silently
        bool finished = true;
        do {
            if (stopped()) {
                finished = false;
                break;
            }
            consider(data, frame);
        } while (::FindNextFileW(find, &data));
        ::FindClose(find);
        if (finished && !frame.subfolders.empty()) frames_.push_back(std::move(frame));
        return finished;
    }

    void consider(const WIN32_FIND_DATAW& data, Frame& frame) {
        const std::string name = win32::Narrow(data.cFileName);
        if (name == "." || name == "..") return;
        const bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        // Junctions and symbolic links are never entered below the root.
        const bool reparse = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if (folder && !reparse) {
            if (visitor_.entersFolder(name)) frame.subfolders.push_back(name);
            return;
        }
        if (!visitor_.wantsFile(name)) return;
        found_.assign(path_, 0, frame.baseLength).append(name);
        std::uint64_t size = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
        // A link is sized by the file it points to; a dangling one, or one to
        // a folder (whatever the link itself is marked), is left out.
        if (reparse && !TargetSize(found_, size)) return;
        visitor_.fileFound(found_, size);
    }

    FolderVisitor& visitor_;
    const std::atomic<bool>& stop_;
    std::string path_;
    std::vector<Frame> frames_;
    std::string found_;
};

}  // namespace

Result<void> WalkFolders(const std::string& root, FolderVisitor& visitor,
                         const std::atomic<bool>& stop) {
    FolderWalk walk(visitor, stop);
    return walk.run(root);
}

}  // namespace tessaly
