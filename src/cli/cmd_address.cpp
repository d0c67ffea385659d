// tessaly-cli address COMMAND ENTRY: the address a context-menu command would
// hand to the shell for one contents entry; address --list: the commands.
#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/output.h"
#include "core/actions/addresses.h"
#include "core/actions/lookup_services.h"
#include "core/actions/url_rules.h"
#include "core/app/install_layout.h"
#include "core/settings/settings_store.h"
#include "core/ui/texts.h"
#include "platform/files.h"

namespace tessaly::cli {

namespace {

void PrintUsage(std::ostream& err) {
    err << "Usage: tessaly-cli " << kAddressUsage << "\n       tessaly-cli address --list\n"
        << "Commands:";
    for (const auto command : AllUrlCommands()) err << ' ' << CliName(command);
    err << "\n";
}

constexpr std::string_view kHelp =
    "\n"
    "Prints the address the menu command COMMAND would open for the contents entry ENTRY,\n"
    "without opening it. The look-up services, and whether look-ups are switched off, come\n"
    "from the window's settings file (sections [Services] and [Lookups]), which is only read.\n"
    "\n"
    "Options:\n"
    "  --list      list every command: its name, a tab and its menu caption\n"
    "  --          end of the options (for an ENTRY that begins with '-')\n"
    "  -h, --help  show this text\n";

// The window's settings, found where the window keeps them; they are only
// read, and no folder is made for them.
SettingsStore WindowSettings() { return SettingsStore(FindAppFolder(ExecutableFolder())); }

// The viewer prefix stored in the settings, or the built-in one.
std::string WendelPrefix(const SettingsStore& settings) {
    std::string prefix = settings.read("Paths", "Wendel", "");
    return prefix.empty() ? DefaultWendelPrefix() : prefix;
}

int List(const LookupServices& lookups, std::ostream& out) {
    std::string scratch;
    for (const LookupService& service : lookups.services) {
        out << Shown(out, service.cliName, scratch) << '\t';
        out << Shown(out, service.caption, scratch) << '\n';
    }
    for (const UrlCommand command : {UrlCommand::Wendel, UrlCommand::Launch}) {
        out << CliName(command) << '\t' << CaptionAsShown(Caption(command)) << '\n';
    }
    return 0;
}

}  // namespace

int RunAddress(std::span<const std::string_view> words, std::ostream& out, std::ostream& err) {
    // Every word is COMMAND or ENTRY, but -h, --help or --list ahead of a "--".
    std::vector<std::string_view> args;
    bool optionsEnded = false;
    bool list = false;
    for (const std::string_view a : words) {
        if (!optionsEnded && a == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (a == "-h" || a == "--help")) {
            PrintUsage(out);
            out << kHelp;
            return 0;
        } else if (!optionsEnded && a == "--list") {
            list = true;
        } else {
            args.push_back(a);
        }
    }
    if (args.size() != (list ? 0u : 2u)) {
        PrintUsage(err);
        return 2;
    }

    const SettingsStore settings = WindowSettings();
    const LookupServices lookups = ReadLookupServices(settings);
    std::string scratch;
    for (const IgnoredService& ignored : lookups.ignored) {
        err << "Warning: " << Shown(err, IgnoredServiceLine(ignored), scratch) << "\n";
    }
    if (list) return List(lookups, out);

    const auto service = std::find_if(lookups.services.begin(), lookups.services.end(),
                                      [&](const LookupService& s) { return s.cliName == args[0]; });
    const auto command = UrlCommandFromName(args[0]);
    if (service == lookups.services.end() && command != UrlCommand::Wendel &&
        command != UrlCommand::Launch) {
        if (command) {
            err << "Error: the look-up service '" << args[0] << "' is hidden by the settings ("
                << Shown(err, settings.settingsFilePath(), scratch) << ", section ["
                << kServicesSection << "])\n";
            return 1;
        }
        err << "Error: unknown command '" << Shown(err, args[0], scratch) << "'\n";
        PrintUsage(err);
        return 2;
    }
    if (ReadLookupSwitches(settings).offline) {
        err << texts::kLookupsOff << "\n";
        return 1;
    }

    AddressResult result;
    if (service != lookups.services.end()) {
        result = LookUpAddress(*service, args[1]);
    } else {
        result =
            AddressFor(*command, args[1],
                       *command == UrlCommand::Wendel ? WendelPrefix(settings) : std::string());
    }
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
