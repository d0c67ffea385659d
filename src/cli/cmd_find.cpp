// tessaly-cli find [ROOT]: one line per index.dat file below ROOT, in discovery order:
// the location, a TAB, and the size in KB as the files list shows it.
#include <atomic>
#include <ostream>
#include <string>

#include "cli/commands.h"
#include "core/search/index_search.h"

namespace tessaly::cli {

namespace {

// Collects lines and hands them to the stream in large blocks.
class LinePrinter final : public WalkSink {
  public:
    explicit LinePrinter(std::ostream& out) : out_(out) { pending_.reserve(kBlockSize + 4096); }

    void fileFound(const FoundFile& file) override {
        pending_ += file.location;
        pending_ += '\t';
        pending_ += FormatSizeKB(file.size);
        pending_ += '\n';
        if (pending_.size() >= kBlockSize) Flush();
    }

    void Flush() {
        out_.write(pending_.data(), static_cast<std::streamsize>(pending_.size()));
        pending_.clear();
    }

  private:
    static constexpr std::size_t kBlockSize = 256 * 1024;
    std::ostream& out_;
    std::string pending_;
};

}  // namespace

int RunFind(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    if (args.size() > 1) {
        err << "Error: too many arguments (usage: tessaly-cli find [ROOT])\n";
        return 2;
    }
    const std::string root = args.empty() ? DefaultSearchRoot() : std::string(args.front());
    const std::atomic<bool> never{false};
    LinePrinter printer(out);
    SearchFolderTree(root, printer, never);
    printer.Flush();
    out.flush();
    return 0;
}

}  // namespace tessaly::cli
