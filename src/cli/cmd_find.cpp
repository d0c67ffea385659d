// tessaly-cli find [ROOT] [--null]: one record per index.dat file below ROOT, in discovery
// order: the location, a TAB, and the size in KB as the files list shows it, then a newline
// (a NUL with --null).
#include <atomic>
#include <ostream>
#include <string>
#include <system_error>

#include "cli/commands.h"
#include "cli/output.h"
#include "core/search/index_search.h"

namespace tessaly::cli {

namespace {

constexpr std::string_view kHelp =
    "\n"
    "Lists every index.dat file below ROOT (the system's root when left out): the location,\n"
    "a tab and the size in KB, in the order the search finds them.\n"
    "\n"
    "Options:\n"
    "  --null      end each record with a NUL instead of a newline (for names holding\n"
    "              tabs or newlines, e.g. with xargs -0)\n"
    "  --          end of the options (for a ROOT that begins with '-')\n"
    "  -h, --help  show this text\n"
    "\n"
    "On a terminal, control characters in names are shown as \\xHH; into a file or a pipe\n"
    "names are written byte for byte. Exit status: 0 done, 1 ROOT is no folder that can be\n"
    "read or the output cannot be written, 2 a mistake in the command line.\n";

// Collects records and hands them to the stream in large blocks. When the
// output fails it raises its stop flag and the walk ends.
class RecordPrinter final : public WalkSink {
  public:
    RecordPrinter(std::ostream& out, char end) : out_(out), end_(end) {
        pending_.reserve(kBlockSize + 4096);
    }

    void fileFound(const FoundFile& file) override {
        if (stop_.load(std::memory_order_relaxed)) return;
        pending_ += Shown(out_, file.location, scratch_);
        pending_ += '\t';
        pending_ += FormatSizeKB(file.size);
        pending_ += end_;
        if (pending_.size() >= kBlockSize) flush();
    }

    void flush() {
        out_.write(pending_.data(), static_cast<std::streamsize>(pending_.size()));
        pending_.clear();
        if (!out_) stop_.store(true, std::memory_order_relaxed);
    }

    const std::atomic<bool>& stop() const { return stop_; }

  private:
    static constexpr std::size_t kBlockSize = 256 * 1024;
    std::ostream& out_;
    const char end_;
    std::string pending_;
    std::string scratch_;
    std::atomic<bool> stop_{false};
};

}  // namespace

int RunFind(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    std::string root;
    bool haveRoot = false;
    bool null = false;
    bool optionsEnded = false;
    for (const std::string_view a : args) {
        if (!optionsEnded && a.starts_with('-')) {
            if (a == "--") {
                optionsEnded = true;
            } else if (a == "-h" || a == "--help") {
                out << "Usage: tessaly-cli " << kFindUsage << "\n" << kHelp;
                return 0;
            } else if (a == "--null") {
                null = true;
            } else {
                err << "Error: unexpected argument '" << a << "'\n"
                    << "Usage: tessaly-cli " << kFindUsage << "\n";
                return 2;
            }
        } else if (!haveRoot) {
            root = std::string(a);
            haveRoot = true;
        } else {
            err << "Error: too many arguments (usage: tessaly-cli " << kFindUsage << ")\n";
            return 2;
        }
    }
    if (!haveRoot) root = DefaultSearchRoot();

    RecordPrinter printer(out, null ? '\0' : '\n');
    const WalkOutcome walked = SearchFolderTree(root, printer, printer.stop());
    if (walked.rootError != 0) {
        err << "Error: cannot search " << root << ": "
            << std::generic_category().message(walked.rootError) << "\n";
        return 1;
    }
    printer.flush();
    out.flush();
    return out ? 0 : 1;
}

}  // namespace tessaly::cli
