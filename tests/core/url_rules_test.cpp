#include "core/actions/url_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/actions/addresses.h"
#include "core/ui/texts.h"

namespace tessaly {
namespace {

using namespace std::string_literals;
using Kind = AddressResult::Kind;

constexpr std::string_view kWendelPrefix = "http://viewer.test/?mode=Wendel&url=";

const std::vector<UrlCommand> kCommonRuleServices{
    UrlCommand::BrowserDefender, UrlCommand::MalwareDomainList, UrlCommand::SafeWeb,
    UrlCommand::SiteAdvisor,     UrlCommand::TrustedSource,     UrlCommand::WebOfTrust,
    UrlCommand::LinkScanner,
};

std::string Service(UrlCommand command, std::string_view encodedValue) {
    const ServiceAddress service = ServiceAddressOf(command);
    return service.prefix + std::string(encodedValue) + std::string(service.suffix);
}

// The fixed parts of every service address, the menu captions and the names
// the command line knows them by.
TEST(ServiceTable, SchemesPathsQueryKeysAndNames) {
    struct Case {
        UrlCommand command;
        std::string_view scheme, pathEnd, suffix, caption, cliName;
    };
    const Case cases[] = {
        {UrlCommand::BrowserDefender, "http://", "/site/", "", "Browser Defender",
         "browser-defender"},
        {UrlCommand::Blackthorn, "http://", "/?s=", "", "&Blackthorn Online", "blackthorn"},
        {UrlCommand::MalwareDomainList, "http://", "/mdl.php?search=", "", "Malware Domain List",
         "malware-domain-list"},
        {UrlCommand::SafeWeb, "https://", "/report/show?name=", "", "Norton SafeWeb", "safeweb"},
        {UrlCommand::SiteAdvisor, "http://", "/sites/", "", "SiteAdvisor", "siteadvisor"},
        {UrlCommand::TrustedSource, "http://", "/TS?do=feedback&subdo=query&q=", "",
         "Trusted Source", "trusted-source"},
        {UrlCommand::WebOfTrust, "http://", "/en/scorecard/", "", "Web of Trust", "web-of-trust"},
        {UrlCommand::WebSniffer, "http://",
         "/?url=", "&submit=Submit&http=1.1&rawhtml=yes&gzip=yes&type=GET&uak=9", "Web Sniffer",
         "web-sniffer"},
        {UrlCommand::LinkScanner, "http://", "&CS=", "", "XPL Link Scanner", "link-scanner"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cliName);
        const ServiceAddress service = ServiceAddressOf(c.command);
        EXPECT_TRUE(service.prefix.starts_with(c.scheme)) << service.prefix;
        EXPECT_TRUE(service.prefix.ends_with(c.pathEnd)) << service.prefix;
        EXPECT_EQ(service.suffix, c.suffix);
        EXPECT_EQ(Caption(c.command), c.caption);
        EXPECT_EQ(UrlCommandFromName(c.cliName), c.command);
    }
    const std::string linkScanner = ServiceAddressOf(UrlCommand::LinkScanner).prefix;
    EXPECT_NE(linkScanner.find("/linkscanner/checksite.aspx?NS=ChkOnly&SRC="), std::string::npos)
        << linkScanner;

    EXPECT_EQ(Caption(UrlCommand::Wendel), "View using &Wendel Online");
    EXPECT_EQ(Caption(UrlCommand::Launch), "&Launch selected URL");
    EXPECT_EQ(UrlCommandFromName("wendel"), UrlCommand::Wendel);
    EXPECT_EQ(UrlCommandFromName("launch"), UrlCommand::Launch);
    EXPECT_EQ(UrlCommandFromName("Launch"), std::nullopt);
    EXPECT_EQ(UrlCommandFromName(""), std::nullopt);
    EXPECT_TRUE(DefaultWendelPrefix().ends_with("/?mode=Wendel&url=")) << DefaultWendelPrefix();
}

// Entry → the (encoded) host the seven common-rule services are opened with.
TEST(CommonHostRule, ReducesEveryKindOfEntryToItsHost) {
    struct Case {
        std::string entry;
        std::string host;
    };
    const Case cases[] = {
        {"http://example.com/dir/page.html", "example.com"},
        {"https://example.com:8080/dir/page.html", "example.com"},
        {"ftp://example.com/dir/page.html", "example.com"},
        {"mailto:user@example.com", "example.com"},
        {"cookie:user@example.com/dir/page.html", "example.com"},
        {"Cookie:user@example.com/", "example.com"},
        {"Visited: user@http://example.com/dir/page.html", "example.com"},
        {"http://www.example.com/", "example.com"},
        {"http://WWW.example.com/", "example.com"},
        {"http://Www.example.com/", "example.com"},
        {"http://foo.www.example.com/", "foo.www.example.com"},
        {"@:Host: example.com", "example.com"},
        {"@:Host: www.example.com", "example.com"},
        // The marker counts in any letter case, as the scan finds it.
        {"@:HOST: example.com", "example.com"},
        {"@:host: www.example.com", "example.com"},
        {"http://", ""},
        {"http://user@example.com/dir", "example.com"},
        // The bytes after the entry's NUL are not part of it.
        {"http://example.com/\0file://x@evil.org"s, "example.com"},
        {"http://example.com\0/evil.org"s, "example.com"},
        // A host that is not plain letters, digits, dots and hyphens cannot
        // break out of the query value.
        {"http://a&b=c#d.example.com/", "a%26b%3Dc%23d.example.com"},
        {"http://ex ample\".com/", "ex%20ample%22.com"},
        {"http://b\xFC"
         "cher.de/",
         "b%FCcher.de"},
    };
    for (const auto command : kCommonRuleServices) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(CliName(command)) + " " + c.entry);
            const AddressResult r = AddressFor(command, c.entry, kWendelPrefix);
            EXPECT_EQ(r.kind, Kind::Open);
            EXPECT_EQ(r.address, Service(command, c.host));
        }
    }
}

// file:// entries, and network paths, drive paths and file: addresses, which
// name no web host, are never looked up: a look-up would hand the name of a
// file, a share or a server to a third party. SiteAdvisor and Blackthorn say
// "Invalid URL", the other services nothing.
TEST(LookUps, NeverSendLocalOrNetworkNames) {
    const std::string fileEntry = "file:// entries are not looked up";
    const std::string noWebHost = "entries without a web host are not looked up";
    const std::pair<std::string, std::string> cases[] = {
        {"@file:///C:/dir/page.html", fileEntry},
        {"Visited: user@file:///C:/dir/page.html", fileEntry},
        {"FILE://server/share/page.html", fileEntry},
        {"\\\\fileserver\\finance\\plan.xls", noWebHost},
        {"\\\\fileserver@SSL\\DavWWWRoot\\x.htm", noWebHost},
        {"//fileserver/finance/plan.xls", noWebHost},
        {"Visited: user@\\\\fileserver\\finance\\plan.xls", noWebHost},
        {"Visited: user@C:\\Users\\user\\secret.htm", noWebHost},
        {"Visited: user@file:C:/Users/user/secret.htm", noWebHost},
        {"@:Host: \\\\intranet-db", noWebHost},
        {"C:/Users/user/secret.htm", noWebHost},
    };
    auto services = kCommonRuleServices;
    services.push_back(UrlCommand::Blackthorn);
    services.push_back(UrlCommand::WebSniffer);
    for (const auto& [entry, reason] : cases) {
        for (const auto command : services) {
            SCOPED_TRACE(std::string(CliName(command)) + " " + entry);
            const AddressResult r = AddressFor(command, entry, kWendelPrefix);
            if (command == UrlCommand::SiteAdvisor || command == UrlCommand::Blackthorn) {
                EXPECT_EQ(r.kind, Kind::InvalidUrl);
            } else {
                EXPECT_EQ(r.kind, Kind::Nothing);
                EXPECT_EQ(r.reason, reason);
            }
            EXPECT_EQ(r.address, "");
        }
    }
}

struct RuleCase {
    std::string entry;
    Kind kind;
    std::string expected;  // what follows the service address, or the whole address
};

// `expected` is the whole address unless `appended`: then it is the value
// after the command's service address.
void ExpectAddresses(UrlCommand command, const std::vector<RuleCase>& cases,
                     bool appended = false) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        const AddressResult r = AddressFor(command, c.entry, kWendelPrefix);
        EXPECT_EQ(r.kind, c.kind);
        const bool open = c.kind == Kind::Open;
        EXPECT_EQ(r.address, !open ? "" : appended ? Service(command, c.expected) : c.expected);
    }
}

TEST(BlackthornRule, KeepsWwwAndPortAndRefusesEntriesWithoutSchemeOrHostMarker) {
    ExpectAddresses(UrlCommand::Blackthorn,
                    {
                        {"http://www.example.com:8080/", Kind::Open, "www.example.com%3A8080"},
                        {"http://example.com/dir/page.html", Kind::Open, "example.com"},
                        {"http://example.com", Kind::Open, "example.com"},
                        {"Visited: user@http://example.com/dir", Kind::Open, "example.com"},
                        {"@:Host: example.com", Kind::Open, "example.com"},
                        {"@:host:example.com", Kind::Open, "example.com"},
                        {"@:HOST:   example.com", Kind::Open, "example.com"},
                        {"@:Host: a&b#c", Kind::Open, "a%26b%23c"},
                        {"mailto:user@example.com", Kind::InvalidUrl, ""},
                        {"cookie:user@example.com/dir", Kind::InvalidUrl, ""},
                        // "://" only after the NUL is not the entry's.
                        {"mailto:user@example.com\0http://x/"s, Kind::InvalidUrl, ""},
                    },
                    /*appended=*/true);
}

TEST(WebSnifferRule, SendsTheWholeAddressEncoded) {
    ExpectAddresses(UrlCommand::WebSniffer,
                    {
                        {"@:Host: example.com", Kind::Open, "http%3A%2F%2Fexample.com"},
                        {"@:HOST: example.com", Kind::Open, "http%3A%2F%2Fexample.com"},
                        {"Visited: user@http://example.com/dir/page.html", Kind::Open,
                         "http%3A%2F%2Fexample.com%2Fdir%2Fpage.html"},
                        {"mailto:user@example.com", Kind::Open, "http%3A%2F%2Fexample.com"},
                        {"https://example.com/a?b=c&d=e#f g", Kind::Open,
                         "https%3A%2F%2Fexample.com%2Fa%3Fb%3Dc%26d%3De%23f%20g"},
                        {"@:Host: example.com\0://x"s, Kind::Open, "http%3A%2F%2Fexample.com"},
                        {"@file:///C:/dir", Kind::Nothing, ""},
                    },
                    /*appended=*/true);
}

TEST(WendelRule, AcceptsOnlyHttpEntries) {
    const std::string prefix(kWendelPrefix);
    const std::vector<RuleCase> cases{
        {"HTTP://example.com", Kind::Open, prefix + "HTTP%3A%2F%2Fexample.com"},
        {"http://example.com/a b&c#d'\"", Kind::Open,
         prefix + "http%3A%2F%2Fexample.com%2Fa%20b%26c%23d%27%22"},
        {"http://example.com/\0garbage&more"s, Kind::Open, prefix + "http%3A%2F%2Fexample.com%2F"},
        {"https://example.com", Kind::InvalidUrl, ""},
        {"ftp://example.com", Kind::InvalidUrl, ""},
        {"@:Host: example.com", Kind::InvalidUrl, ""},
        {"http:/", Kind::InvalidUrl, ""},
    };
    ExpectAddresses(UrlCommand::Wendel, cases);
}

// The address is the entry as the list shows it (Windows-1252), encoded only
// where an address cannot hold a character; nothing is guessed.
TEST(LaunchRule, OpensTheShownAddressAfterTheUserName) {
    const std::string notAnAddress(texts::kLaunchNotAnAddress);
    const std::vector<RuleCase> cases{
        {"@:Host: example.com", Kind::Open, "http://example.com"},
        {"cookie:user@example.com/dir/page.html", Kind::Open, "http://example.com/dir/page.html"},
        {"Visited: user@http://example.com/dir/page.html", Kind::Open,
         "http://example.com/dir/page.html"},
        {"@file:///C:/dir/page.html", Kind::Open, "file:///C:/dir/page.html"},
        {"https://example.com", Kind::Open, "https://example.com"},
        {"mailto:user@example.com", Kind::Open, "http://example.com"},
        {"http://user@example.com/dir/page.html", Kind::Open, "http://example.com/dir/page.html"},
        {"view-source:http://example.com/", Kind::Open, "view-source:http://example.com/"},
        // The host marker in any case.
        {"@:host: x", Kind::Open, "http://x"},
        {"@:HOST: x", Kind::Open, "http://x"},
        // Windows-1252 as the list shows it; the host keeps its letters.
        {"http://caf\xE9.example/men\xFC?\x80=\x9F", Kind::Open,
         "http://caf\xC3\xA9.example/men%C3%BC?%E2%82%AC=%C5%B8"},
        // What an address cannot hold, and only that, is encoded.
        {"http://example.com/a b?c=d&e#f", Kind::Open, "http://example.com/a%20b?c=d&e#f"},
        {"http://example.com/\"<>\\^`{|}\x01\x7F", Kind::Open,
         "http://example.com/%22%3C%3E%5C%5E%60%7B%7C%7D%01%7F"},
        {"http://example.com/%41%zz%4", Kind::Open, "http://example.com/%41%25zz%254"},
        {"http://example.com/a#b#c", Kind::Open, "http://example.com/a#b%23c"},
        {"http://[::1]:8080/[x]", Kind::Open, "http://[::1]:8080/%5Bx%5D"},
        {"http://example.com/\0@evil.org"s, Kind::Open, "http://example.com/"},
        // No scheme: nothing is opened, and the user is told.
        {"\\\\fileserver\\share\\page.htm", Kind::NotAnAddress, ""},
        {"C:\\Users\\page.htm", Kind::NotAnAddress, ""},
        {"index.dat", Kind::NotAnAddress, ""},
        {"\0http://x"s, Kind::Nothing, ""},
    };
    ExpectAddresses(UrlCommand::Launch, cases);
    EXPECT_EQ(AddressFor(UrlCommand::Launch, "index.dat", "").reason, notAnAddress);
}

TEST(PercentEncode, KeepsUnreservedAndEncodesEveryOtherByte) {
    EXPECT_EQ(PercentEncode("AZaz09-._~"), "AZaz09-._~");
    EXPECT_EQ(PercentEncode("a b&c#d?e/f:g@h%i+j'k\"l"),
              "a%20b%26c%23d%3Fe%2Ff%3Ag%40h%25i%2Bj%27k%22l");
    EXPECT_EQ(PercentEncode("\x01\x7F\x80\xFF"s), "%01%7F%80%FF");
    EXPECT_EQ(PercentEncode("a\0b"s), "a%00b");
    EXPECT_EQ(PercentEncode(""), "");
}

TEST(FilesRowClipboardText, IsLocationTabSizeAndUnit) {
    EXPECT_EQ(FilesRowClipboardText({"C:\\Users\\u\\index.dat", "32.00"}),
              "C:\\Users\\u\\index.dat\t32.00 KB");
}

}  // namespace
}  // namespace tessaly
