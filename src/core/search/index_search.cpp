#include "core/search/index_search.h"

#include "core/app/ascii_case.h"
#include "core/app/identity.h"
#include "platform/folder_walk.h"

namespace tessaly {

bool QualifiesAsIndexFile(std::string_view name) {
    constexpr std::string_view kSought = "index.dat";
    if (!name.ends_with(".dat")) return false;
    for (std::size_t start = 0; start + kSought.size() <= name.size(); ++start) {
        if (EqualNoCase(name.substr(start, kSought.size()), kSought)) return true;
    }
    return false;
}

std::string AddBackslash(std::string path) {
    if (path.empty() || path.back() != kSeparator) path += kSeparator;
    return path;
}

std::string TrimAtNull(std::string_view text) {
    return std::string(text.substr(0, text.find('\0')));
}

std::uint64_t HundredthsOf(std::uint64_t bytes, unsigned shift) {
    // bytes / 2^shift in hundredths, rounded half up. Worked in integers the quotient and
    // its halfway cases are exact (1152 bytes are 1.125 KB and give 1.13), which is what
    // the double quotient gives for every size a file system can hold, without the
    // rounding traps of binary fractions. Split to keep bytes * 100 from overflowing.
    const std::uint64_t unit = std::uint64_t{1} << shift;
    return (bytes >> shift) * 100 + ((bytes & (unit - 1)) * 100 + unit / 2) / unit;
}

std::string FormatHundredths(std::uint64_t hundredths) {
    const auto cents = static_cast<char>(hundredths % 100);
    std::string text = std::to_string(hundredths / 100);
    text += '.';
    text += static_cast<char>('0' + cents / 10);
    text += static_cast<char>('0' + cents % 10);
    return text;
}

std::string FormatSizeKB(std::uint64_t bytes) { return FormatHundredths(HundredthsOf(bytes, 10)); }

namespace {

// The walk's rules: index.dat files are sought, hidden folders (a name
// beginning with '.') are not entered.
class IndexFileVisitor final : public FolderVisitor {
  public:
    explicit IndexFileVisitor(WalkSink& sink) : sink_(sink) {}
    bool wantsFile(std::string_view name) const override { return QualifiesAsIndexFile(name); }
    bool entersFolder(std::string_view name) const override { return name.front() != '.'; }
    void enteringFolder(const std::string& base) override { sink_.enteringFolder(base); }
    void fileFound(const std::string& path, std::uint64_t size) override {
        found_.location = path;
        found_.size = size;
        sink_.fileFound(found_);
    }

  private:
    WalkSink& sink_;
    FoundFile found_;
};

}  // namespace

WalkOutcome SearchFolderTree(const std::string& root, WalkSink& sink,
                             const std::atomic<bool>& stop) {
    IndexFileVisitor visitor(sink);
    const Result<void> walked = WalkFolders(root, visitor, stop);
    return {walked ? 0 : walked.error().number};
}

std::string DefaultSearchRoot() {
#ifdef _WIN32
    return "C:\\";
#else
    return std::string(1, kSeparator);
#endif
}

}  // namespace tessaly
