#include "core/actions/url_rules.h"

#include <algorithm>
#include <array>

#include "core/actions/addresses.h"
#include "core/app/ascii_case.h"
#include "core/extract/contents_rows.h"

namespace tessaly {

namespace {

constexpr std::string_view kHostMarker = "@:Host: ";
constexpr std::string_view kHostMarkerBare = "@:Host:";
constexpr std::string_view kFileScheme = "file://";
constexpr std::string_view kSchemeSeparator = "://";
constexpr std::string_view kHttp = "http://";

// Position of the first `needle` in `s` from `from` on, letter case ignored.
std::size_t FindNoCase(std::string_view s, std::string_view needle, std::size_t from = 0) {
    if (from > s.size()) return std::string_view::npos;
    const auto it =
        std::search(s.begin() + static_cast<std::ptrdiff_t>(from), s.end(), needle.begin(),
                    needle.end(), [](char a, char b) { return EqualNoCase(a, b); });
    return it == s.end() && !needle.empty() ? std::string_view::npos
                                            : static_cast<std::size_t>(it - s.begin());
}

bool ContainsNoCase(std::string_view s, std::string_view needle) {
    return FindNoCase(s, needle) != std::string_view::npos;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && EqualNoCase(s.substr(0, prefix.size()), prefix);
}

// The text after the first `x`, up to the next `x` or the end; `s` unchanged
// when it holds no `x`.
std::string_view PieceAfter(std::string_view s, std::string_view x, bool anyCase = false) {
    const auto at = anyCase ? FindNoCase(s, x) : s.find(x);
    if (at == std::string_view::npos) return s;
    const auto begin = at + x.size();
    const auto next = anyCase ? FindNoCase(s, x, begin) : s.find(x, begin);
    return s.substr(begin, next == std::string_view::npos ? std::string_view::npos : next - begin);
}

// The text before the first `x`; `s` unchanged when it holds no `x`.
std::string_view PieceBefore(std::string_view s, std::string_view x) {
    return s.substr(0, s.find(x));
}

std::string RemoveAll(std::string_view s, std::string_view x) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t pos = 0;;) {
        const auto at = s.find(x, pos);
        out += s.substr(pos, at == std::string_view::npos ? std::string_view::npos : at - pos);
        if (at == std::string_view::npos) return out;
        pos = at + x.size();
    }
}

AddressResult Open(std::string address) {
    return {AddressResult::Kind::Open, std::move(address), {}};
}
AddressResult InvalidUrl() { return {AddressResult::Kind::InvalidUrl, {}, "Invalid URL"}; }
AddressResult NothingBecause(std::string_view reason) {
    return {AddressResult::Kind::Nothing, {}, std::string(reason)};
}
AddressResult FileRefused(UrlCommand command) {
    // SiteAdvisor and Blackthorn say so; the other services stay silent.
    if (command == UrlCommand::SiteAdvisor || command == UrlCommand::Blackthorn) {
        return InvalidUrl();
    }
    return NothingBecause("file:// entries are not looked up");
}

AddressResult OpenService(UrlCommand command, std::string_view value) {
    ServiceAddress service = ServiceAddressOf(command);
    std::string address = std::move(service.prefix);
    address += PercentEncode(value);
    address += service.suffix;
    return Open(std::move(address));
}

// Reduces an entry to its bare host: drops the host-record marker, a user
// name, the scheme, a port, the path and a leading "www.".
AddressResult CommonHostRule(UrlCommand command, std::string_view entry) {
    if (ContainsNoCase(entry, kFileScheme)) return FileRefused(command);
    const std::string unmarked = RemoveAll(entry, kHostMarker);
    std::string_view s = unmarked;
    s = PieceAfter(s, "@");
    s = PieceAfter(s, kSchemeSeparator);
    s = PieceBefore(s, ":");
    s = PieceBefore(s, "/");
    if (StartsWithNoCase(s, "www.")) s.remove_prefix(4);
    return OpenService(command, s);
}

// Host and port of an address or a host record; "www." stays, and entries
// without a scheme or host marker (mailto, cookies) are refused.
AddressResult BlackthornRule(std::string_view entry) {
    constexpr auto command = UrlCommand::Blackthorn;
    if (ContainsNoCase(entry, kFileScheme)) return FileRefused(command);
    const bool hostRecord = ContainsNoCase(entry, kHostMarkerBare);
    if (!hostRecord && entry.find(kSchemeSeparator) == std::string_view::npos) {
        return InvalidUrl();
    }
    std::string_view s = entry;
    if (hostRecord) {
        s = PieceAfter(s, kHostMarkerBare, /*anyCase=*/true);
        s.remove_prefix(std::min(s.find_first_not_of(" \t"), s.size()));
    }
    s = PieceAfter(s, kSchemeSeparator);
    return OpenService(command, PieceBefore(s, "/"));
}

// The whole address, with "http://" put in front when it has no scheme.
AddressResult WebSnifferRule(std::string_view entry) {
    constexpr auto command = UrlCommand::WebSniffer;
    if (ContainsNoCase(entry, kFileScheme)) return FileRefused(command);
    const std::string unmarked = RemoveAll(entry, kHostMarker);
    std::string s(PieceAfter(unmarked, "@"));
    if (s.find(kSchemeSeparator) == std::string::npos) s.insert(0, kHttp);
    return OpenService(command, s);
}

AddressResult WendelRule(std::string_view entry, std::string_view prefix) {
    if (!StartsWithNoCase(entry, kHttp)) return InvalidUrl();
    return Open(std::string(prefix) + PercentEncode(entry));
}

// The entry itself: a host record, cookie, visited record or address with a
// user name becomes the address after its "@".
AddressResult LaunchRule(std::string_view entry) {
    if (entry.empty()) return NothingBecause("the entry is empty");
    if (entry.find('@') == std::string_view::npos) return Open(std::string(entry));
    std::string s = ContainsNoCase(entry, kHostMarkerBare) ? RemoveAll(entry, kHostMarker)
                                                           : std::string(PieceAfter(entry, "@"));
    if (s.find(kSchemeSeparator) == std::string::npos) s.insert(0, kHttp);
    return Open(std::move(s));
}

constexpr std::array kAllCommands{
    UrlCommand::BrowserDefender, UrlCommand::Blackthorn,  UrlCommand::MalwareDomainList,
    UrlCommand::SafeWeb,         UrlCommand::SiteAdvisor, UrlCommand::TrustedSource,
    UrlCommand::WebOfTrust,      UrlCommand::WebSniffer,  UrlCommand::LinkScanner,
    UrlCommand::Wendel,          UrlCommand::Launch,
};

}  // namespace

AddressResult AddressFor(UrlCommand command, std::string_view entry,
                         std::string_view wendelPrefix) {
    // The shell only ever sees the text up to the first NUL, and the bytes
    // after it belong to whatever followed the entry in the index file, so
    // every rule works on the entry alone: a "file://" or "@" among those
    // trailing bytes changes nothing.
    const std::string_view s = UpToNul(entry);
    switch (command) {
        case UrlCommand::Blackthorn:
            return BlackthornRule(s);
        case UrlCommand::WebSniffer:
            return WebSnifferRule(s);
        case UrlCommand::Wendel:
            return WendelRule(s, wendelPrefix);
        case UrlCommand::Launch:
            return LaunchRule(s);
        default:
            return CommonHostRule(command, s);
    }
}

std::optional<UrlCommand> UrlCommandFromName(std::string_view cliName) {
    for (const auto command : AllUrlCommands()) {
        if (CliName(command) == cliName) return command;
    }
    return std::nullopt;
}

std::span<const UrlCommand> AllUrlCommands() { return kAllCommands; }

std::string_view CliName(UrlCommand command) { return NamesOf(command).cliName; }

std::string_view Caption(UrlCommand command) { return NamesOf(command).caption; }

std::string PercentEncode(std::string_view value) {
    constexpr std::string_view kHex = "0123456789ABCDEF";
    std::string out;
    out.reserve(value.size());
    for (const char c : value) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') ||
            b == '-' || b == '.' || b == '_' || b == '~') {
            out += c;
        } else {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 0x0F];
        }
    }
    return out;
}

std::string FilesRowClipboardText(const IndexFileRow& row) {
    return row.location + "\t" + row.sizeText + " KB";
}

}  // namespace tessaly
