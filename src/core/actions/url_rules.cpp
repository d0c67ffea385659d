#include "core/actions/url_rules.h"

#include <algorithm>
#include <array>

#include "core/actions/addresses.h"
#include "core/app/ascii_case.h"
#include "core/extract/codepage.h"
#include "core/extract/contents_rows.h"
#include "core/ui/texts.h"

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

// `s` without any occurrence of `x`, letter case ignored.
std::string RemoveAll(std::string_view s, std::string_view x) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t pos = 0;;) {
        const auto at = FindNoCase(s, x, pos);
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
constexpr std::string_view kFileEntriesRefused = "file:// entries are not looked up";
constexpr std::string_view kNoWebHostRefused = "entries without a web host are not looked up";

AddressResult FileRefused(UrlCommand command, std::string_view reason = kFileEntriesRefused) {
    // SiteAdvisor and Blackthorn say so; the other services stay silent.
    if (command == UrlCommand::SiteAdvisor || command == UrlCommand::Blackthorn) {
        return InvalidUrl();
    }
    return NothingBecause(reason);
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }
bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// A place on this computer or the local network rather than on the web: a
// network path (\\server\share, also written with '/'), a drive path (C:\,
// C:/) or a file: address.
bool IsLocalOrNetworkPlace(std::string_view s) {
    s.remove_prefix(std::min(s.find_first_not_of(" \t"), s.size()));
    if (s.size() >= 2 && IsSeparator(s[0]) && IsSeparator(s[1])) return true;
    if (s.size() >= 2 && IsAsciiLetter(s[0]) && s[1] == ':' && (s.size() == 2 || IsSeparator(s[2])))
        return true;
    return StartsWithNoCase(s, "file:");
}

// Whether a look-up of the entry would send the name of a local file, a
// share or an intranet server instead of a web host: the entry itself (a
// host record without its marker) or what follows its user name
// ("Visited: user@\\server\share\page.htm") is such a place.
bool LacksWebHost(std::string_view entry) {
    const std::string unmarked = RemoveAll(entry, kHostMarkerBare);
    if (IsLocalOrNetworkPlace(unmarked)) return true;
    return unmarked.find('@') != std::string::npos &&
           IsLocalOrNetworkPlace(PieceAfter(unmarked, "@"));
}

// Why a look-up of the entry must not leave this computer; empty when it may.
std::string_view LookUpRefusal(std::string_view entry) {
    if (ContainsNoCase(entry, kFileScheme)) return kFileEntriesRefused;
    if (LacksWebHost(entry)) return kNoWebHostRefused;
    return {};
}

// The refusal of a look-up that must not leave this computer, if any.
std::optional<AddressResult> RefusedLookUp(UrlCommand command, std::string_view entry) {
    if (const std::string_view refusal = LookUpRefusal(entry); !refusal.empty()) {
        return FileRefused(command, refusal);
    }
    return std::nullopt;
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
std::string BareHost(std::string_view entry) {
    const std::string unmarked = RemoveAll(entry, kHostMarker);
    std::string_view s = unmarked;
    s = PieceAfter(s, "@");
    s = PieceAfter(s, kSchemeSeparator);
    s = PieceBefore(s, ":");
    s = PieceBefore(s, "/");
    if (StartsWithNoCase(s, "www.")) s.remove_prefix(4);
    return std::string(s);
}

AddressResult CommonHostRule(UrlCommand command, std::string_view entry) {
    if (auto refused = RefusedLookUp(command, entry)) return *refused;
    return OpenService(command, BareHost(entry));
}

// Host and port of an address or a host record; "www." stays, and entries
// without a scheme or host marker (mailto, cookies) are refused.
AddressResult BlackthornRule(std::string_view entry) {
    constexpr auto command = UrlCommand::Blackthorn;
    if (auto refused = RefusedLookUp(command, entry)) return *refused;
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
std::string WholeAddress(std::string_view entry) {
    const std::string unmarked = RemoveAll(entry, kHostMarker);
    std::string s(PieceAfter(unmarked, "@"));
    if (s.find(kSchemeSeparator) == std::string::npos) s.insert(0, kHttp);
    return s;
}

AddressResult WebSnifferRule(std::string_view entry) {
    constexpr auto command = UrlCommand::WebSniffer;
    if (auto refused = RefusedLookUp(command, entry)) return *refused;
    return OpenService(command, WholeAddress(entry));
}

AddressResult WendelRule(std::string_view entry, std::string_view prefix) {
    if (!StartsWithNoCase(entry, kHttp)) return InvalidUrl();
    return Open(std::string(prefix) + PercentEncode(entry));
}

// A scheme ("http:", "view-source:") begins the text: a letter, then letters,
// digits, '+', '-' or '.', then ':'. One letter alone is a drive ("C:\").
bool BeginsWithScheme(std::string_view text) {
    if (text.empty() || !IsAsciiLetter(text.front())) return false;
    std::size_t i = 1;
    while (i < text.size() && (IsAsciiLetter(text[i]) || (text[i] >= '0' && text[i] <= '9') ||
                               text[i] == '+' || text[i] == '-' || text[i] == '.')) {
        ++i;
    }
    return i >= 2 && i < text.size() && text[i] == ':';
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// `text` (UTF-8) with every byte an address cannot hold percent-encoded, and
// nothing else changed: controls, space, DEL, " < > \ ^ ` { | }, a '%' that
// starts no %XX, a second '#', '[' or ']' outside the host, and non-ASCII
// outside the host. A host keeps its letters as they are (café.example): a
// host is not percent-encoded but spelt in its international form, which the
// shell makes of it.
std::string EncodeForAddress(std::string_view text) {
    constexpr std::string_view kHex = "0123456789ABCDEF";
    const std::size_t scheme = text.find(kSchemeSeparator);
    const std::size_t hostBegin = scheme == std::string_view::npos ? 0 : scheme + 3;
    const std::size_t hostEnd = scheme == std::string_view::npos
                                    ? 0
                                    : std::min(text.find_first_of("/?#", hostBegin), text.size());
    std::string out;
    out.reserve(text.size());
    bool inFragment = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const auto b = static_cast<unsigned char>(c);
        const bool inHost = i >= hostBegin && i < hostEnd;
        bool encode = b <= 0x20 || b == 0x7F || (b >= 0x80 && !inHost) ||
                      std::string_view("\"<>\\^`{|}").find(c) != std::string_view::npos;
        if (c == '%')
            encode = i + 2 >= text.size() || !IsHexDigit(text[i + 1]) || !IsHexDigit(text[i + 2]);
        if (c == '#') {
            encode = inFragment;
            inFragment = true;
        }
        if ((c == '[' || c == ']') && !inHost) encode = true;
        if (encode) {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 0x0F];
        } else {
            out += c;
        }
    }
    return out;
}

// The entry itself, as the list shows it: a host record, cookie, visited
// record or address with a user name becomes the address after its "@". The
// address is the entry's text decoded as the list decodes it, encoded only
// where an address cannot hold a character, never completed or guessed at:
// an entry that does not begin with a scheme is not opened.
AddressResult LaunchRule(std::string_view entry) {
    if (entry.empty()) return NothingBecause("the entry is empty");
    std::string s(entry);
    if (entry.find('@') != std::string_view::npos) {
        s = ContainsNoCase(entry, kHostMarkerBare) ? RemoveAll(entry, kHostMarker)
                                                   : std::string(PieceAfter(entry, "@"));
        if (s.find(kSchemeSeparator) == std::string::npos) s.insert(0, kHttp);
    }
    const std::string text = Cp1252ToUtf8(s);
    if (!BeginsWithScheme(text)) {
        return {AddressResult::Kind::NotAnAddress, {}, std::string(texts::kLaunchNotAnAddress)};
    }
    return Open(EncodeForAddress(text));
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

LookUpValue LookUpValueOf(LookUpPart part, std::string_view entry) {
    const std::string_view s = UpToNul(entry);
    if (const std::string_view refusal = LookUpRefusal(s); !refusal.empty()) {
        return {{}, std::string(refusal)};
    }
    return {part == LookUpPart::Host ? BareHost(s) : WholeAddress(s), {}};
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
