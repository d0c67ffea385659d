// tessaly-cli: the scripting front end. It shares the core with the window,
// reads the settings file where a command needs it, and never writes the
// settings or the log.
#include <unistd.h>

#include <array>
#include <cerrno>
#include <iostream>
#include <string_view>
#include <system_error>
#include <vector>

#include "cli/commands.h"
#include "cli/output.h"
#include "core/app/identity.h"
#include "platform/console.h"
#include "platform/fd_stream.h"

namespace {

using tessaly::cli::Command;

constexpr std::array kCommands{
    Command{"extract", tessaly::cli::kExtractUsage, &tessaly::cli::RunExtract},
    Command{"find", tessaly::cli::kFindUsage, &tessaly::cli::RunFind},
    Command{"address", tessaly::cli::kAddressUsage, &tessaly::cli::RunAddress},
    Command{"records", tessaly::cli::kRecordsUsage, &tessaly::cli::RunRecords},
};

void PrintHelp(std::ostream& out) {
    out << "Usage: tessaly-cli COMMAND [ARGS]\n\nCommands:\n";
    for (const auto& c : kCommands) out << "  tessaly-cli " << c.usage << "\n";
    out << "\nOptions:\n  --help      show this text (after a command: that command's help)\n"
           "  --version   show the version\n";
}

int Run(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        PrintHelp(err);
        return 2;
    }
    if (args[0] == "--help" || args[0] == "-h") {
        PrintHelp(out);
        return 0;
    }
    if (args[0] == "--version") {
        out << tessaly::kTitle << "-cli " << tessaly::VersionText() << "\n";
        return 0;
    }
    for (const auto& c : kCommands) {
        if (c.name == args[0]) return c.run(args.subspan(1), out, err);
    }
    err << "Error: unknown command '" << args[0] << "' (try --help)\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // A write to a pipe or FIFO whose reader has gone fails with EPIPE instead
    // of ending the program on the spot, so that a save can clean up and say
    // what happened.
    tessaly::PrepareStandardStreams();

    tessaly::FdStreamBuf outBuffer(STDOUT_FILENO);
    std::ostream out(&outBuffer);
    if (const tessaly::TerminalOutput terminal = tessaly::StandardOutputTerminal();
        terminal.isTerminal) {
        tessaly::cli::MarkTerminal(out, terminal.utf8);
    }

    const std::vector<std::string> arguments = tessaly::Utf8Arguments(argc, argv);
    const std::vector<std::string_view> args(arguments.begin(), arguments.end());
    const int code = Run(args, out, std::cerr);
    out.flush();
    if (const int error = outBuffer.error(); error != 0) {
        if (error == EPIPE) {
            // The reader of the standard output has gone (`| head`): end as
            // every program in a pipeline does then, quietly, by SIGPIPE.
            tessaly::EndAsBrokenPipe();
        }
        std::cerr << "Error: cannot write standard output: "
                  << std::generic_category().message(error) << "\n";
        return 1;
    }
    return code;
}
