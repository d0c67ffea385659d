// tessaly-cli address COMMAND ENTRY: the address a context-menu command would
// hand to the shell for one contents entry.
#include <ostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "core/actions/addresses.h"
#include "core/actions/url_rules.h"
#include "core/settings/settings_store.h"
#include "platform/files.h"

namespace tessaly::cli {

namespace {

void PrintUsage(std::ostream& err) {
    err << "Usage: tessaly-cli " << kAddressUsage << "\nCommands:";
    for (const auto command : AllUrlCommands()) err << ' ' << CliName(command);
    err << "\n";
}

constexpr std::string_view kHelp =
    "\n"
    "Prints the address the menu command COMMAND would open for the contents entry ENTRY,\n"
    "without opening it.\n"
    "\n"
    "Options:\n"
    "  --          end of the options (for an ENTRY that begins with '-')\n"
    "  -h, --help  show this text\n";

// The viewer prefix stored in the settings, or the built-in one; the
// settings file is only read, and no folder is made for it.
std::string WendelPrefix() {
    const SettingsStore settings(FindAppFolder(ExecutableFolder()));
    std::string prefix = settings.read("Paths", "Wendel", "");
    return prefix.empty() ? DefaultWendelPrefix() : prefix;
}

}  // namespace

int RunAddress(std::span<const std::string_view> words, std::ostream& out, std::ostream& err) {
    // Every word is COMMAND or ENTRY, but -h or --help ahead of a "--".
    std::vector<std::string_view> args;
    bool optionsEnded = false;
    for (const std::string_view a : words) {
        if (!optionsEnded && a == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (a == "-h" || a == "--help")) {
            PrintUsage(out);
            out << kHelp;
            return 0;
        } else {
            args.push_back(a);
        }
    }
    if (args.size() != 2) {
        PrintUsage(err);
        return 2;
    }
    const auto command = UrlCommandFromName(args[0]);
    if (!command) {
        err << "Error: unknown command '" << args[0] << "'\n";
        PrintUsage(err);
        return 2;
    }
    const std::string prefix = *command == UrlCommand::Wendel ? WendelPrefix() : std::string();
    const AddressResult result = AddressFor(*command, args[1], prefix);
    switch (result.kind) {
        case AddressResult::Kind::Open:
            out << result.address << "\n";
            return 0;
        case AddressResult::Kind::InvalidUrl:
            err << "Invalid URL\n";
            return 1;
        case AddressResult::Kind::NotAnAddress:
            err << result.reason << "\n";
            return 1;
        case AddressResult::Kind::Nothing:
            err << "Nothing to open: " << result.reason << "\n";
            return 1;
    }
    return 1;
}

}  // namespace tessaly::cli
