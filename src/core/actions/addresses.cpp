#include "core/actions/addresses.h"

#include <array>

namespace tessaly {

namespace {

// The maker's own hosts.
constexpr std::string_view kCompanyName = "Gorsebank Software";
constexpr std::string_view kSupportHost = "support.tessaly.example.org";
constexpr std::string_view kHomeHost = "www.tessaly.example.org";
constexpr std::string_view kHostsListHost = "blackthorn.tessaly.example.org";
constexpr std::string_view kWendelHost = "wendel.tessaly.example.org";
// The application name the LinkScanner service is told about.
constexpr std::string_view kLinkScannerAppHost = "tessaly.example.org";

struct CommandRow {
    CommandNames names;
    std::string_view scheme = {};  // empty: no fixed service address
    std::string_view host = {};
    std::string_view path = {};        // fixed path and query key
    std::string_view appHost = {};     // LinkScanner only: placed after the path ...
    std::string_view appHostEnd = {};  // ... and followed by this
    std::string_view suffix = {};      // after the appended value
};

// Indexed by UrlCommand.
constexpr std::array<CommandRow, 11> kCommands{{
    {{"browser-defender", "Browser Defender"}, "http://", "www.browserdefender.com", "/site/"},
    {{"blackthorn", "&Blackthorn Online"}, "http://", kHostsListHost, "/?s="},
    {{"malware-domain-list", "Malware Domain List"},
     "http://",
     "www.malwaredomainlist.com",
     "/mdl.php?search="},
    {{"safeweb", "Norton SafeWeb"}, "https://", "safeweb.norton.com", "/report/show?name="},
    {{"siteadvisor", "SiteAdvisor"}, "http://", "www.siteadvisor.com", "/sites/"},
    {{"trusted-source", "Trusted Source"},
     "http://",
     "www.trustedsource.org",
     "/TS?do=feedback&subdo=query&q="},
    {{"web-of-trust", "Web of Trust"}, "http://", "www.mywot.com", "/en/scorecard/"},
    {{"web-sniffer", "Web Sniffer"},
     "http://",
     "web-sniffer.net",
     "/?url=",
     {},
     {},
     "&submit=Submit&http=1.1&rawhtml=yes&gzip=yes&type=GET&uak=9"},
    {{"link-scanner", "XPL Link Scanner"},
     "http://",
     "linkscanner.explabs.com",
     "/linkscanner/checksite.aspx?NS=ChkOnly&SRC=",
     kLinkScannerAppHost,
     "&CS="},
    {{"wendel", "View using &Wendel Online"}},
    {{"launch", "&Launch selected URL"}},
}};

const CommandRow& RowOf(UrlCommand command) { return kCommands[static_cast<std::size_t>(command)]; }

std::string Http(std::string_view host, std::string_view rest) {
    std::string s = "http://";
    s += host;
    s += rest;
    return s;
}

}  // namespace

std::string KnowledgeBaseAddress() { return Http(kSupportHost, "/?mode=KB"); }
std::string ProductPageAddress() { return Http(kSupportHost, "/?mode=Products&p=tessaly"); }
std::string HomePageAddress() { return Http(kHomeHost, "/"); }
std::string DefaultWendelPrefix() { return Http(kWendelHost, "/?mode=Wendel&url="); }
std::string_view CompanyName() { return kCompanyName; }

const CommandNames& NamesOf(UrlCommand command) { return RowOf(command).names; }

ServiceAddress ServiceAddressOf(UrlCommand command) {
    const CommandRow& row = RowOf(command);
    if (row.scheme.empty()) return {};
    std::string prefix;
    prefix.reserve(row.scheme.size() + row.host.size() + row.path.size() + row.appHost.size() +
                   row.appHostEnd.size());
    prefix += row.scheme;
    prefix += row.host;
    prefix += row.path;
    prefix += row.appHost;
    prefix += row.appHostEnd;
    return {std::move(prefix), row.suffix};
}

}  // namespace tessaly
