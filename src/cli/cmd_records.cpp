// tessaly-cli records PATH [--format tsv|csv|jsonl|bodyfile|html] [-o OUT] [--fragments]
#include <atomic>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "cli/commands.h"
#include "cli/output.h"
#include "core/export/record_export.h"
#include "core/records/records_reader.h"
#include "core/search/index_search.h"
#include "platform/safe_save.h"

namespace tessaly::cli {
namespace {

constexpr std::string_view kHelp =
    "\n"
    "Reads the records of the index.dat file PATH (URL, REDR and LEAK records, with\n"
    "their times), or of every index file below the folder PATH, found and read in\n"
    "the order `tessaly-cli find` lists them, and writes one row per record in file\n"
    "order. The file is only read, never changed.\n"
    "\n"
    "Options:\n"
    "  --format F    tsv (the default: a header line, tab, newline, carriage return\n"
    "                and backslash in a field written \\t \\n \\r \\\\), csv (RFC 4180),\n"
    "                jsonl (one JSON object a line), bodyfile (for the Sleuth Kit's\n"
    "                mactime) or html (a page with one table)\n"
    "  -o OUT        write to the file OUT, replaced only once it is complete\n"
    "  --fragments   also list what the raw scan finds outside every record (the\n"
    "                file's slack) as rows of status fragment\n"
    "  --            end of the options (for a PATH that begins with '-')\n"
    "  -h, --help    show this text\n"
    "\n"
    "Fields: file, offset, type (URL, REDR, LEAK), status, allocated (yes, no, partly:\n"
    "what the allocation bitmap says of its blocks), blocks, location, user, url,\n"
    "kind, primary_time, secondary_time, expiry_time, last_checked_time, hits,\n"
    "cache_folder, cache_file, cached_size, headers, redirect_to (REDR: the location\n"
    "it leads to), damage (what was wrong with the record, if anything).\n"
    "\n"
    "Status: live (a hash table leads to it), listed (on the list of leaked\n"
    "records), recovered (found only by walking every block: deleted or orphaned).\n"
    "\n"
    "Times are ISO 8601 with every stored digit; UTC times end in Z. What the two\n"
    "main times mean depends on the kind:\n"
    "  cache, cookie    primary_time: last accessed; secondary_time: last modified\n"
    "  history          primary_time: last visited (secondary_time: the same)\n"
    "  daily history    primary_time: visited (UTC);\n"
    "                   secondary_time: visited, local time (no zone)\n"
    "  weekly history   primary_time: when the history file was made (UTC);\n"
    "                   secondary_time: last visited, local time (no zone)\n"
    "expiry_time and last_checked_time are stored to 2 seconds and read as UTC.\n"
    "\n"
    "The output is never one of the files being read. On a terminal, control\n"
    "characters from the files are shown as \\xHH; into a file or a pipe every byte\n"
    "is written as the format gives it.\n"
    "\n"
    "Exit status: 0 when every file was read; 1 when a file could not be read or\n"
    "is not an MSIE cache file (the others are still read) or the output could not\n"
    "be written; 2 on bad usage. Damage inside a file is no failure.\n";

struct RecordsArgs {
    std::string path;
    const RecordExportFormat* format = nullptr;
    std::string out;  // empty: standard output
    bool fragments = false;
};

enum class Parsed { Run, Help, Bad };

Parsed ParseArgs(std::span<const std::string_view> args, RecordsArgs& a, std::ostream& err) {
    a.format = FindRecordExportFormat("tsv");
    bool havePath = false;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (!optionsEnded && arg.starts_with('-')) {
            if (arg == "--") {
                optionsEnded = true;
            } else if (arg == "--help" || arg == "-h") {
                return Parsed::Help;
            } else if (arg == "--format" && hasValue) {
                a.format = FindRecordExportFormat(args[++i]);
                if (a.format == nullptr) {
                    err << "Error: unknown format '" << args[i] << "'\n";
                    return Parsed::Bad;
                }
            } else if (arg == "-o" && hasValue) {
                a.out = std::string(args[++i]);
            } else if (arg == "--fragments") {
                a.fragments = true;
            } else {
                err << "Error: unexpected argument '" << arg << "'\n";
                return Parsed::Bad;
            }
        } else if (!havePath) {
            a.path = std::string(arg);
            havePath = true;
        } else {
            err << "Error: unexpected argument '" << arg << "'\n";
            return Parsed::Bad;
        }
    }
    if (havePath) return Parsed::Run;
    err << "Error: no PATH given\n";
    return Parsed::Bad;
}

class WriterSink final : public RecordSink {
  public:
    explicit WriterSink(RecordWriter& writer) : writer_(writer) {}
    bool record(const Record& record) override {
        writer_.write(record);
        return true;
    }

  private:
    RecordWriter& writer_;
};

// Reads one index file into the writer; says on `err` why it could not.
bool ReadOne(const std::string& path, const RecordsArgs& a, RecordWriter& writer,
             std::ostream& err) {
    WriterSink sink(writer);
    const RecordsOutcome outcome = ReadRecordsFile(path, sink, {path, a.fragments});
    if (outcome.ok()) return true;
    err << path << ": " << outcome.failureText() << "\n";
    return false;
}

// Tells, before each file is read, whether it is the output itself: the
// refusal, or empty.
using OutputCheck = std::function<std::string(const std::string& path)>;

// Reads every index file below a folder, in walk order. The walk ends at a
// file that is the output itself.
class FolderReader final : public WalkSink {
  public:
    FolderReader(const RecordsArgs& a, RecordWriter& writer, const OutputCheck& check,
                 std::ostream& err)
        : args_(a), writer_(writer), check_(check), err_(err) {}
    void fileFound(const FoundFile& file) override {
        if (!conflict.empty()) return;
        conflict = check_(file.location);
        if (!conflict.empty()) {
            stop.store(true, std::memory_order_relaxed);
            return;
        }
        if (!ReadOne(file.location, args_, writer_, err_)) allRead = false;
    }
    bool allRead = true;
    std::string conflict;
    std::atomic<bool> stop{false};

  private:
    const RecordsArgs& args_;
    RecordWriter& writer_;
    const OutputCheck& check_;
    std::ostream& err_;
};

// The refusal `check` gives for the first file below `root` that it refuses;
// empty when it refuses none.
std::string FirstConflict(const std::string& root, const OutputCheck& check) {
    class Lookout final : public WalkSink {
      public:
        explicit Lookout(const OutputCheck& check) : check_(check) {}
        void fileFound(const FoundFile& file) override {
            if (!conflict.empty()) return;
            conflict = check_(file.location);
            if (!conflict.empty()) stop.store(true, std::memory_order_relaxed);
        }
        std::string conflict;
        std::atomic<bool> stop{false};

      private:
        const OutputCheck& check_;
    } lookout(check);
    SearchFolderTree(root, lookout, lookout.stop);
    return lookout.conflict;
}

}  // namespace

int RunRecords(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    RecordsArgs a;
    switch (ParseArgs(args, a, err)) {
        case Parsed::Help:
            out << "Usage: tessaly-cli " << kRecordsUsage << "\n" << kHelp;
            return 0;
        case Parsed::Bad:
            err << "Usage: tessaly-cli " << kRecordsUsage << "\n";
            return 2;
        case Parsed::Run:
            break;
    }
    std::error_code ec;
    const bool folder = std::filesystem::is_directory(a.path, ec);

    // The output must be none of the files read: a single file is checked
    // before anything is written, each file below a folder before it is read.
    const std::optional<FileIdentity> target = a.out.empty() ? std::nullopt : IdentityOfPath(a.out);
    const OutputCheck check = [&](const std::string& path) {
        const std::span<const std::string> read(&path, 1);
        if (a.out.empty()) return OutputConflict(out, read);
        return target ? ReadFileConflict(*target, read) : std::string();
    };

    bool allRead = true;
    std::string conflict;
    // Reads everything into `to`; false when a file read is the output.
    auto produce = [&](std::ostream& to) {
        TerminalLines escaped(to);
        std::ostream shown(&escaped);
        std::ostream& into = IsTerminal(to) ? shown : to;
        const auto writer = a.format->make(into, a.path);
        writer->begin();
        if (folder) {
            FolderReader reader(a, *writer, check, err);
            SearchFolderTree(a.path, reader, reader.stop);
            allRead = reader.allRead;
            conflict = reader.conflict;
        } else {
            conflict = check(a.path);
            if (conflict.empty()) allRead = ReadOne(a.path, a, *writer, err);
        }
        if (!conflict.empty()) return false;
        writer->end();
        if (!into) to.setstate(std::ios::badbit);
        return true;
    };
    const std::string outName = a.out.empty() ? std::string("standard output") : a.out;
    auto refused = [&] {
        err << "Error: cannot write " << outName << ": " << conflict << "\n";
        return 1;
    };

    if (a.out.empty()) {
        // Standard output is not a new file: what went out before the walk
        // met the output among the files would already be in it.
        if (folder && WritesToRegularFile(out)) {
            conflict = FirstConflict(a.path, check);
            if (!conflict.empty()) return refused();
        }
        if (!produce(out)) return refused();
        out.flush();
        if (!out) return 1;  // the caller says why
        return allRead ? 0 : 1;
    }
    // A file that is the output ends the save with nothing written.
    struct Conflict {};
    SaveResult saved;
    try {
        saved = SaveAtomically(a.out,
                               [&](std::ostream& to) {
                                   if (!produce(to)) throw Conflict{};
                               },
                               {.readFrom = {a.path}});
    } catch (const Conflict&) {
        return refused();
    }
    if (!saved.ok) {
        err << "Error: cannot write " << a.out << ": " << saved.reason << "\n";
        return 1;
    }
    return allRead ? 0 : 1;
}

}  // namespace tessaly::cli
