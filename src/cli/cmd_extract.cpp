// tessaly-cli extract FILE [--format plain|html] [-o OUT] [--count]
#include <atomic>
#include <ostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/output.h"
#include "core/actions/result_writer.h"
#include "core/extract/contents_rows.h"
#include "core/extract/scanner.h"

namespace tessaly::cli {
namespace {

constexpr std::string_view kHelp =
    "\n"
    "Reads FILE as the window does and writes every entry found in it, as it is found.\n"
    "\n"
    "Options:\n"
    "  --format plain  each entry's bytes on a line of their own, ended by CR LF (the default)\n"
    "  --format html   the HTML page of links\n"
    "  -o OUT          write to the file OUT instead of the standard output: through a new\n"
    "                  file that replaces OUT only when complete; never the file being read\n"
    "  --count         print only the number of entries\n"
    "  --              end of the options (for a FILE that begins with '-')\n"
    "  -h, --help      show this text\n"
    "\n"
    "On a terminal, control characters in the entries are shown as \\xHH; into a file or a\n"
    "pipe every byte is written as read. Exit status: 0 done, 1 a file could not be read or\n"
    "written, 2 a mistake in the command line.\n";

class CountingSink final : public RowSink {
  public:
    void row(std::uint64_t, std::string_view) override {}
};

// Writes each row in the chosen layout the moment the scan finds it, so that
// memory stays flat whatever the size of the file. When the output fails it
// raises its stop flag and the scan ends.
class StreamingSink final : public RowSink {
  public:
    StreamingSink(std::ostream& out, bool html, std::string_view file)
        : out_(out), html_(html), file_(file) {}

    void row(std::uint64_t, std::string_view bytes) override {
        if (stop_.load(std::memory_order_relaxed)) return;
        begin();
        if (html_) {
            WriteHtmlLink(out_, Shown(out_, UpToNul(bytes), scratch_));
        } else {
            WritePlainRow(out_, Shown(out_, bytes, scratch_));
        }
        if (!out_) stop_.store(true, std::memory_order_relaxed);
    }

    // After the whole file: what comes after the rows (and the head, when no
    // row came).
    void finish() {
        begin();
        if (html_) WriteHtmlEnd(out_);
    }

    const std::atomic<bool>* stop() const { return &stop_; }

  private:
    // The page's head goes out with the first row, so that a file that cannot
    // be read leaves the output empty.
    void begin() {
        if (begun_) return;
        begun_ = true;
        if (html_) WriteHtmlHead(out_, Shown(out_, file_, scratch_));
    }

    std::ostream& out_;
    const bool html_;
    const std::string_view file_;
    bool begun_ = false;
    std::atomic<bool> stop_{false};
    std::string scratch_;
};

struct ExtractOptions {
    std::string file;
    bool html = false;
    bool count = false;
    std::string out;  // empty: standard output
};

enum class Parsed { Run, Help, Bad };

Parsed ParseArgs(std::span<const std::string_view> args, ExtractOptions& options,
                 std::ostream& err) {
    bool haveFile = false;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (!optionsEnded && a.starts_with('-')) {
            if (a == "--") {
                optionsEnded = true;
            } else if (a == "-h" || a == "--help") {
                return Parsed::Help;
            } else if (a == "--format" && hasValue &&
                       (args[i + 1] == "plain" || args[i + 1] == "html")) {
                options.html = args[++i] == "html";
            } else if (a == "-o" && hasValue) {
                options.out = std::string(args[++i]);
            } else if (a == "--count") {
                options.count = true;
            } else {
                err << "Error: unexpected argument '" << a << "'\n";
                return Parsed::Bad;
            }
        } else if (!haveFile) {
            options.file = std::string(a);
            haveFile = true;
        } else {
            err << "Error: unexpected argument '" << a << "'\n";
            return Parsed::Bad;
        }
    }
    if (haveFile) return Parsed::Run;
    err << "Error: no FILE given\n";
    return Parsed::Bad;
}

}  // namespace

int RunExtract(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    ExtractOptions options;
    switch (ParseArgs(args, options, err)) {
        case Parsed::Help:
            out << "Usage: tessaly-cli " << kExtractUsage << "\n" << kHelp;
            return 0;
        case Parsed::Bad:
            err << "Usage: tessaly-cli " << kExtractUsage << "\n";
            return 2;
        case Parsed::Run:
            break;
    }
    const std::vector<std::string> readFrom{options.file};

    // Scans the file into `to` in the chosen layout; false when the file
    // could not be read (`outcome` says why).
    ScanOutcome outcome;
    auto produce = [&](std::ostream& to) {
        if (options.count) {
            CountingSink discard;
            outcome = ScanFile(options.file, discard);
            if (outcome.ok) to << outcome.rows << "\n";
            return outcome.ok;
        }
        StreamingSink sink(to, options.html, options.file);
        outcome = ScanFile(options.file, sink, sink.stop());
        if (outcome.ok) sink.finish();
        return outcome.ok;
    };
    auto readFailed = [&] {
        err << "Error: cannot read " << options.file << ": " << outcome.error.description << "\n";
        return 1;
    };

    if (options.out.empty()) {
        if (const std::string conflict = OutputConflict(out, readFrom); !conflict.empty()) {
            err << "Error: cannot write standard output: " << conflict << "\n";
            return 1;
        }
        if (!produce(out)) return readFailed();
        out.flush();
        return out ? 0 : 1;
    }

    // A file that cannot be read ends the save with nothing written.
    struct ReadFailure {};
    SaveResult saved;
    try {
        saved = SaveAtomically(options.out,
                               [&](std::ostream& to) {
                                   if (!produce(to)) throw ReadFailure{};
                               },
                               {.readFrom = readFrom});
    } catch (const ReadFailure&) {
        return readFailed();
    }
    if (!saved.ok) {
        err << "Error: cannot write " << options.out << ": " << saved.reason << "\n";
        return 1;
    }
    return 0;
}

}  // namespace tessaly::cli
