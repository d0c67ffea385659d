// tessaly-cli address COMMAND ENTRY: the address a context-menu command would
// hand to the shell for one contents entry.
#include <ostream>
#include <string>

#include "cli/commands.h"
#include "core/actions/addresses.h"
#include "core/actions/url_rules.h"
#include "core/settings/settings_store.h"
#include "platform/files.h"

namespace tessaly::cli {

namespace {

void PrintUsage(std::ostream& err) {
    err << "Usage: tessaly-cli address COMMAND ENTRY\nCommands:";
    for (const auto command : AllUrlCommands()) err << ' ' << CliName(command);
    err << "\n";
}

// The viewer prefix stored in the settings, or the built-in one; the
// settings file is only read, and no folder is made for it.
std::string WendelPrefix() {
    const SettingsStore settings(FindAppFolder(ExecutableFolder()));
    std::string prefix = settings.read("Paths", "Wendel", "");
    return prefix.empty() ? DefaultWendelPrefix() : prefix;
}

}  // namespace

int RunAddress(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
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
