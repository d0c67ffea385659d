// tessaly-cli records PATH [--format tsv|csv|jsonl|bodyfile|html] [-o OUT] [--fragments]
#include <sys/stat.h>

#include <atomic>
#include <ostream>
#include <string>

#include "cli/commands.h"
#include "core/actions/result_writer.h"
#include "core/export/record_export.h"
#include "core/records/records_reader.h"
#include "core/search/index_search.h"

namespace tessaly::cli {
namespace {

constexpr std::string_view kUsage =
    "Usage: tessaly-cli records PATH [--format tsv|csv|jsonl|bodyfile|html] [-o OUT] "
    "[--fragments]\n";

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
    "Exit status: 0 when every file was read; 1 when a file could not be read or\n"
    "is not an MSIE cache file (the others are still read) or the output could not\n"
    "be written; 2 on bad usage. Damage inside a file is no failure.\n";

struct RecordsArgs {
    std::string path;
    const RecordExportFormat* format = nullptr;
    std::string out;  // empty: standard output
    bool fragments = false;
    bool help = false;
};

// Returns false (after saying why on `err`) on bad usage.
bool ParseArgs(std::span<const std::string_view> args, RecordsArgs& a, std::ostream& err) {
    a.format = FindRecordExportFormat("tsv");
    bool havePath = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--help" || arg == "-h") {
            a.help = true;
        } else if (arg == "--format" && hasValue) {
            a.format = FindRecordExportFormat(args[++i]);
            if (a.format == nullptr) {
                err << "Error: unknown format '" << args[i] << "'\n";
                return false;
            }
        } else if (arg == "-o" && hasValue) {
            a.out = std::string(args[++i]);
        } else if (arg == "--fragments") {
            a.fragments = true;
        } else if (!havePath && !arg.starts_with("-")) {
            a.path = std::string(arg);
            havePath = true;
        } else {
            err << "Error: unexpected argument '" << arg << "'\n";
            return false;
        }
    }
    if (!havePath && !a.help) err << "Error: no PATH given\n";
    return havePath || a.help;
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

// Reads every index file below a folder, in walk order.
class FolderReader final : public WalkSink {
  public:
    FolderReader(const RecordsArgs& a, RecordWriter& writer, std::ostream& err)
        : args_(a), writer_(writer), err_(err) {}
    void fileFound(const FoundFile& file) override {
        if (!ReadOne(file.location, args_, writer_, err_)) allRead = false;
    }
    bool allRead = true;

  private:
    const RecordsArgs& args_;
    RecordWriter& writer_;
    std::ostream& err_;
};

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Finds whether a folder walk reads a given file.
class FileLookout final : public WalkSink {
  public:
    explicit FileLookout(const struct stat& target) : target_(target) {}
    void fileFound(const FoundFile& file) override {
        struct stat st {};
        if (::stat(file.location.c_str(), &st) == 0 && SameFile(st, target_)) found = true;
    }
    bool found = false;

  private:
    const struct stat& target_;
};

// Why writing to `out` could harm what is examined or the system: it is not
// a regular file (a device, a FIFO, a folder) or it is a file being read.
// Empty when it is safe.
std::string UnsafeOutput(const RecordsArgs& a, bool folder) {
    struct stat target {};
    if (::stat(a.out.c_str(), &target) != 0) return {};  // a new file
    if (!S_ISREG(target.st_mode)) return "it is not a regular file";
    constexpr std::string_view kRead = "it is a file being read";
    if (!folder) {
        struct stat input {};
        return ::stat(a.path.c_str(), &input) == 0 && SameFile(input, target) ? std::string(kRead)
                                                                              : std::string();
    }
    FileLookout lookout(target);
    const std::atomic<bool> never{false};
    SearchFolderTree(a.path, lookout, never);
    return lookout.found ? std::string(kRead) : std::string();
}

}  // namespace

int RunRecords(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    RecordsArgs a;
    if (!ParseArgs(args, a, err)) {
        err << kUsage;
        return 2;
    }
    if (a.help) {
        out << kUsage << kHelp;
        return out.flush() ? 0 : 1;
    }
    const bool folder = IsFolder(a.path);
    bool allRead = true;
    auto write = [&](std::ostream& to) {
        const auto writer = a.format->make(to, a.path);
        writer->begin();
        if (folder) {
            FolderReader reader(a, *writer, err);
            const std::atomic<bool> never{false};
            SearchFolderTree(a.path, reader, never);
            allRead = reader.allRead;
        } else {
            allRead = ReadOne(a.path, a, *writer, err);
        }
        writer->end();
    };
    if (a.out.empty()) {
        write(out);
        if (!out) {
            err << "Error: cannot write the output\n";
            return 1;
        }
        return allRead ? 0 : 1;
    }
    if (const std::string unsafe = UnsafeOutput(a, folder); !unsafe.empty()) {
        err << "Error: cannot write " << a.out << ": " << unsafe << "\n";
        return 1;
    }
    const SaveResult saved = SaveAtomically(a.out, write);
    if (!saved.ok) {
        err << "Error: cannot write " << a.out << ": " << saved.reason << "\n";
        return 1;
    }
    return allRead ? 0 : 1;
}

}  // namespace tessaly::cli
