#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/actions/url_command.h"
#include "core/search/index_file_row.h"

namespace tessaly {

// What a context-menu command does with one entry.
struct AddressResult {
    enum class Kind {
        Open,        // hand `address` to the shell
        InvalidUrl,  // show "Invalid URL"
        // Show `reason` as a refusal: the entry is no address to open
        // (Launch), or the settings switch look-ups off.
        NotAnAddress,
        Nothing,  // do nothing; `reason` says why
    };
    Kind kind = Kind::Nothing;
    std::string address;
    // "Invalid URL" for InvalidUrl; the message to show for NotAnAddress; a
    // short explanation for Nothing.
    std::string reason;
};

// The address `command` opens for the contents entry `entry` (the row's
// bytes; everything from its first NUL on is ignored). `wendelPrefix` is the
// viewer prefix from the settings, used by the Wendel command only.
//
// The host marker "@:Host: " counts in any letter case. Values appended to a
// service address are percent-encoded. A service is never sent a file://
// entry, nor an entry that names a network path (\\server\share), a drive
// path or a file: address, itself or after its user name: SiteAdvisor and
// Blackthorn answer InvalidUrl, the other services Nothing.
//
// Launch opens the entry's text as the contents list shows it (Windows-1252
// decoded to UTF-8), with only what an address cannot hold percent-encoded
// (controls, space, " < > \ ^ ` { | }, a stray '%', non-ASCII outside the
// host; a host keeps its international letters); an entry that does not then
// begin with a scheme of two or more characters ("http:", not "C:") is
// NotAnAddress.
AddressResult AddressFor(UrlCommand command, std::string_view entry, std::string_view wendelPrefix);

// What a look-up sends for an entry (the row's bytes up to their first NUL):
// the bare host, as the common rule of the services derives it (no host
// marker, user name, scheme, port, path or leading "www."), or the whole
// address, as Web Sniffer takes it (no host marker or user name, "http://"
// put in front when it has no scheme). Neither is encoded. `refusal` says
// why nothing may be sent: a file:// entry, or one that names a network
// path, a drive path or a file: address instead of a web host.
enum class LookUpPart { Host, Address };
struct LookUpValue {
    std::string value;
    std::string refusal;
};
LookUpValue LookUpValueOf(LookUpPart part, std::string_view entry);

// The command named on the command line: browser-defender, blackthorn,
// malware-domain-list, safeweb, siteadvisor, trusted-source, web-of-trust,
// web-sniffer, link-scanner, wendel, launch.
std::optional<UrlCommand> UrlCommandFromName(std::string_view cliName);
// Every command, in menu order: the nine services, Wendel, Launch.
std::span<const UrlCommand> AllUrlCommands();
std::string_view CliName(UrlCommand command);
// The menu caption, with its accelerator marker ("&Blackthorn Online").
std::string_view Caption(UrlCommand command);

// Every byte except the unreserved characters A-Z a-z 0-9 - . _ ~ becomes %XX.
std::string PercentEncode(std::string_view value);

// What the copy command puts on the clipboard for a files-list row:
// location, TAB, size text, " KB".
std::string FilesRowClipboardText(const IndexFileRow& row);

}  // namespace tessaly
