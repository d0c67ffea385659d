#pragma once

#include <iosfwd>
#include <span>
#include <string_view>

namespace tessaly::cli {

// One sub-command of tessaly-cli. `args` holds the words after the command
// name. The result is the process exit code: 0 done, 1 a failure (said on
// `err` with the path and the reason), 2 a mistake in the command line.
// `out` is the standard output; when a write to it fails the command stops
// and returns 1, and the caller says why.
struct Command {
    std::string_view name;
    std::string_view usage;  // one line, shown by --help
    int (*run)(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);
};

inline constexpr std::string_view kExtractUsage =
    "extract FILE [--format plain|html] [-o OUT] [--count]";
inline constexpr std::string_view kFindUsage = "find [ROOT] [--null]";
inline constexpr std::string_view kAddressUsage = "address COMMAND ENTRY";
inline constexpr std::string_view kRecordsUsage =
    "records PATH [--format tsv|csv|jsonl|bodyfile|html] [-o OUT] [--fragments]";

int RunExtract(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);
int RunFind(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);
int RunAddress(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);
int RunRecords(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);

}  // namespace tessaly::cli
