#pragma once

#include <iosfwd>
#include <span>
#include <string_view>

namespace tessaly::cli {

// One sub-command of tessaly-cli. `args` holds the words after the command
// name. The result is the process exit code.
struct Command {
    std::string_view name;
    std::string_view usage;  // one line, shown by --help
    int (*run)(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);
};

int RunExtract(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);
int RunFind(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);
int RunAddress(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);
int RunRecords(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);

}  // namespace tessaly::cli
