// tessaly-cli: the scripting front end. It shares the core with the window,
// reads the settings file where a command needs it, and never writes the
// settings or the log.
#include <array>
#include <iostream>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "core/app/identity.h"

namespace {

using tessaly::cli::Command;

constexpr std::array kCommands{
    Command{"extract", "extract FILE [--format plain|html] [-o OUT] [--count]",
            &tessaly::cli::RunExtract},
    Command{"find", "find [ROOT]", &tessaly::cli::RunFind},
    Command{"address", "address COMMAND ENTRY", &tessaly::cli::RunAddress},
    Command{"records", "records PATH [--format tsv|csv|jsonl|bodyfile|html] [-o OUT] [--fragments]",
            &tessaly::cli::RunRecords},
};

void PrintHelp(std::ostream& out) {
    out << "Usage: tessaly-cli COMMAND [ARGS]\n\nCommands:\n";
    for (const auto& c : kCommands) out << "  tessaly-cli " << c.usage << "\n";
    out << "\nOptions:\n  --help      show this text\n  --version   show the version\n";
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.empty()) {
        PrintHelp(std::cerr);
        return 2;
    }
    if (args[0] == "--help" || args[0] == "-h") {
        PrintHelp(std::cout);
        return 0;
    }
    if (args[0] == "--version") {
        std::cout << tessaly::kTitle << "-cli " << tessaly::VersionText() << "\n";
        return 0;
    }
    for (const auto& c : kCommands) {
        if (c.name == args[0]) {
            return c.run(std::span(args).subspan(1), std::cout, std::cerr);
        }
    }
    std::cerr << "Error: unknown command '" << args[0] << "' (try --help)\n";
    return 2;
}
