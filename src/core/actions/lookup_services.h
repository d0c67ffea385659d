#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/actions/url_command.h"
#include "core/actions/url_rules.h"
#include "core/settings/ini_file.h"

// The look-up services the user controls: which services the "Check this
// site with" submenu offers (section [Services] of the settings file), and
// whether look-ups and launches may leave the computer at all ([Lookups]).
namespace tessaly {

class SettingsStore;

inline constexpr std::string_view kServicesSection = "Services";
inline constexpr std::string_view kLookupsSection = "Lookups";
inline constexpr std::string_view kOfflineKey = "Offline";
inline constexpr std::string_view kConfirmKey = "Confirm";

// One service of the submenu.
struct LookupService {
    // As shown, without an accelerator marker: "Blackthorn Online".
    std::string caption;
    // The menu's caption: a default's design caption ("&Blackthorn Online"),
    // a user's caption with every '&' doubled, so that it shows as written.
    std::string menuCaption;
    // What the command line calls it: a default's own name ("blackthorn"), a
    // user's caption in lower case with blanks as dashes ("virustotal-domain"),
    // followed by "-2", "-3", ... when an earlier command has that name.
    std::string cliName;
    // Set for the nine defaults, also when the settings give one another address.
    std::optional<UrlCommand> builtIn;
    // The address template; empty for a default that keeps its own address
    // and rule.
    std::string addressTemplate;
    bool operator==(const LookupService&) const = default;
};

// A key of [Services] that the list leaves out, and why.
struct IgnoredService {
    ini::KeyValue entry;
    std::string reason;
    bool operator==(const IgnoredService&) const = default;
};

struct LookupServices {
    std::vector<LookupService> services;  // in submenu order
    std::vector<IgnoredService> ignored;  // in file order
    bool operator==(const LookupServices&) const = default;
};

// The nine defaults in their design order: the list without a [Services]
// section.
LookupServices DefaultLookupServices();

// The list the keys of [Services] make, keys in file order. The key is a
// menu caption and its value an address template (see TemplateProblem):
// - a key naming a default service (its caption in any letter case, with or
//   without its '&' marker) with an empty value hides that default; with a
//   template, the default keeps its place and opens that address instead
//   (a template equal to DefaultTemplate changes nothing);
// - any other key adds a service after the defaults, in file order.
// Ignored, each with its reason: a template that cannot be used (the
// default then stays as it was), an empty value for a key that names no
// default, and a second key for the same default.
LookupServices LookupServicesFrom(std::span<const ini::KeyValue> keys);

// The services of the settings file's [Services] section.
LookupServices ReadLookupServices(const SettingsStore& settings);

// The log line for a key the list leaves out:
// Look-up service "KEY" in [Services] ignored: REASON
std::string IgnoredServiceLine(const IgnoredService& ignored);

// Why `addressTemplate` cannot be a service's address; empty when it can.
// A template is an http:// or https:// address (scheme in any letter case)
// that names its host itself, holds no blank or control character, and in
// which braces stand only in the placeholders {host} and {url} (any letter
// case), anywhere after the host:
// - {host} becomes the entry's bare host (LookUpPart::Host),
// - {url} the entry's whole address (LookUpPart::Address),
// each percent-encoded. A template without a placeholder opens as it is.
std::string TemplateProblem(std::string_view addressTemplate);

// A default's own address written as a template: its fixed address with
// {url} (Web Sniffer) or {host} (the others) where the entry's part goes.
// Blackthorn's own rule keeps a port and a leading "www." in the host; its
// template, like every template, takes the bare host.
std::string DefaultTemplate(UrlCommand service);

// A menu caption as it shows: "&&" is one '&', a single '&' marks the
// accelerator and is dropped ("&Blackthorn Online" -> "Blackthorn Online").
std::string CaptionAsShown(std::string_view menuCaption);

// The default service called `caption` (letter case and '&' markers
// ignored), if any.
std::optional<UrlCommand> DefaultServiceNamed(std::string_view caption);

// The address `service` opens for the contents entry `entry`. A default
// without a template answers as AddressFor does. A template service sends
// nothing for an entry that must not leave the computer (file://, network
// and drive paths) or whose host is empty: it answers InvalidUrl.
AddressResult LookUpAddress(const LookupService& service, std::string_view entry);

// [Lookups]: Offline switches every look-up and launch off; Confirm asks
// before each look-up with the address it will open. A value switches on
// unless it is empty, "0", "no", "false" or "off" (any letter case): a
// switch written in any other way errs on the side of keeping data in.
struct LookupSwitches {
    bool offline = false;
    bool confirm = false;
};
LookupSwitches ReadLookupSwitches(const SettingsStore& settings);
bool SwitchIsOn(std::string_view value);

// What a look-up or a launch answers while Offline is on: the message
// "Look-ups are switched off (Offline=1 in Tessaly.ini)", shown as a refusal.
AddressResult SwitchedOff();

// The question asked before a look-up while Confirm is on: it names the
// address that will be opened, on a line of its own.
std::string LookUpQuestion(std::string_view address);

}  // namespace tessaly
