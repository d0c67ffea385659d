// tessaly-cli extract FILE [--format plain|html] [-o OUT] [--count]
#include <ostream>
#include <string>

#include "cli/commands.h"
#include "core/actions/result_writer.h"
#include "core/extract/contents_rows.h"
#include "core/extract/scanner.h"

namespace tessaly::cli {
namespace {

class CountingSink final : public RowSink {
  public:
    void row(std::uint64_t, std::string_view) override {}
};

struct ExtractOptions {
    std::string file;
    bool html = false;
    bool count = false;
    std::string out;  // empty: standard output
};

// Returns false (after saying why on `err`) on bad usage.
bool ParseArgs(std::span<const std::string_view> args, ExtractOptions& options, std::ostream& err) {
    bool haveFile = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--format" && hasValue && (args[i + 1] == "plain" || args[i + 1] == "html")) {
            options.html = args[++i] == "html";
        } else if (a == "-o" && hasValue) {
            options.out = std::string(args[++i]);
        } else if (a == "--count") {
            options.count = true;
        } else if (!haveFile && !a.starts_with("-")) {
            options.file = std::string(a);
            haveFile = true;
        } else {
            err << "Error: unexpected argument '" << a << "'\n";
            return false;
        }
    }
    if (!haveFile) err << "Error: no FILE given\n";
    return haveFile;
}

}  // namespace

int RunExtract(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    ExtractOptions options;
    if (!ParseArgs(args, options, err)) {
        err << "Usage: tessaly-cli extract FILE [--format plain|html] [-o OUT] [--count]\n";
        return 2;
    }
    ContentsRows rows;
    ContentsRowsSink keep(rows);
    CountingSink discard;
    const ScanOutcome outcome =
        ScanFile(options.file, options.count ? static_cast<RowSink&>(discard) : keep);
    if (!outcome.ok) {
        err << outcome.error.ReportText() << "\n";
        return 1;
    }
    auto write = [&](std::ostream& to) {
        if (options.count) {
            to << outcome.rows << "\n";
        } else if (options.html) {
            WriteHtml(to, options.file, rows.size(), [&](std::size_t i) { return rows.row(i); });
        } else {
            WritePlainContents(to, rows);
        }
    };
    if (options.out.empty()) {
        write(out);
        out.flush();
        return out ? 0 : 1;
    }
    const SaveResult saved = SaveAtomically(options.out, write);
    if (!saved.ok) {
        err << "Error: cannot write " << options.out << ": " << saved.reason << "\n";
        return 1;
    }
    return 0;
}

}  // namespace tessaly::cli
