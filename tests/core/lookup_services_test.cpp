#include "core/actions/lookup_services.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/actions/addresses.h"
#include "core/settings/settings_store.h"
#include "core/ui/services_editor.h"
#include "core/ui/texts.h"
#include "support/temp_dir.h"

namespace tessaly {
namespace {

using namespace std::string_literals;
using Kind = AddressResult::Kind;
using Keys = std::vector<ini::KeyValue>;

LookupService Service(std::string addressTemplate) {
    return {"Mine", "Mine", "mine", std::nullopt, std::move(addressTemplate)};
}

// A template and an entry → what the look-up opens ("" for InvalidUrl).
TEST(TemplateService, FillsThePlaceholdersWithTheEncodedHostOrAddress) {
    struct Case {
        std::string addressTemplate;
        std::string entry;
        std::string opened;
    };
    const Case cases[] = {
        {"https://vt.example/domain/{host}", "http://www.example.com:8080/a?b",
         "https://vt.example/domain/example.com"},
        {"https://vt.example/domain/{host}", "Cookie:bob@shop.example/cart",
         "https://vt.example/domain/shop.example"},
        {"https://vt.example/domain/{HOST}", "@:host: c.example",
         "https://vt.example/domain/c.example"},
        {"https://scan.example/search?q={url}&x=1", "Visited: bob@http://example.com/a b&c",
         "https://scan.example/search?q=http%3A%2F%2Fexample.com%2Fa%20b%26c&x=1"},
        {"https://scan.example/?q={Url}", "@:Host: example.com",
         "https://scan.example/?q=http%3A%2F%2Fexample.com"},
        {"http://both.example/{host}/{url}", "https://a.example/p",
         "http://both.example/a.example/https%3A%2F%2Fa.example%2Fp"},
        // Bytes outside ASCII and what follows the entry's NUL.
        {"https://vt.example/{host}", "http://ex\xE4mple.com/\0@file://x"s,
         "https://vt.example/ex%E4mple.com"},
        // Nothing of the entry goes into a template without a placeholder.
        {"https://front.example/", "@file:///C:/secret.doc", "https://front.example/"},
        // Nothing leaves the computer for a local or network place, nor an
        // empty host.
        {"https://vt.example/{host}", "@file:///C:/secret.doc", ""},
        {"https://scan.example/?q={url}", "Visited: bob@\\\\fileserver\\finance\\x.xls", ""},
        {"https://vt.example/{host}", "C:\\Users\\bob\\a.htm", ""},
        {"https://vt.example/{host}", "http://", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.addressTemplate + " " + c.entry);
        ASSERT_EQ(TemplateProblem(c.addressTemplate), "");
        const AddressResult result = LookUpAddress(Service(c.addressTemplate), c.entry);
        if (c.opened.empty()) {
            EXPECT_EQ(result.kind, Kind::InvalidUrl);
            EXPECT_EQ(result.address, "");
        } else {
            EXPECT_EQ(result.kind, Kind::Open);
            EXPECT_EQ(result.address, c.opened);
        }
    }
}

TEST(TemplateService, OnlyWebAddressesThatNameTheirOwnHostAreTemplates) {
    const char* usable[] = {
        "https://www.virustotal.com/gui/domain/{host}",
        "HTTP://urlscan.io/search/#{host}",
        "https://transparencyreport.google.com/safe-browsing/search?url={url}",
        "http://x.example",
        "https://x.example:8443/{host}",
        "https://[2001:db8::1]/a%20b/{host}?q=!$'()*+,;=:@~&r=#frag",
    };
    for (const char* t : usable) EXPECT_EQ(TemplateProblem(t), "") << t;
    const char* refused[] = {
        "",
        "ftp://x.example/{host}",
        "file:///C:/{url}",
        "javascript:alert(1)",
        "www.example.com/{host}",
        "mailto:{host}",
        "https://",
        "http:///path/{host}",
        "http://{host}/",
        "http://user@{host}.evil.example/",
        "https://x.example/a b/{host}",
        "https://x.example/\t{host}",
        "https://x.example/{hostname}",
        "https://x.example/{host",
        "https://x.example/host}",
        "https://x.example/{}",
        // What a browser would refuse or guess at.
        "https://x.example/a|b/{host}",
        "https://x.example/\"{host}\"",
        "https://x.example/<{host}>",
        "https://x.example/a\\b/{host}",
        "https://x.example/^`/{host}",
        "https://x.example/100%/{host}",
        "https://x.example/%4/{host}",
        "https://x.example/m\xC3\xBCnchen/{host}",
        "https://x.example/[{host}]",
        "https://x.example/#a#{host}",
    };
    for (const char* t : refused) EXPECT_NE(TemplateProblem(t), "") << t;
}

TEST(LookupServicesFrom, NoKeysGiveTheNineDefaultsExactlyAsBefore) {
    const LookupServices list = LookupServicesFrom(Keys{});
    EXPECT_EQ(list, DefaultLookupServices());
    EXPECT_TRUE(list.ignored.empty());
    const std::vector<UrlCommand> order{
        UrlCommand::BrowserDefender, UrlCommand::Blackthorn,  UrlCommand::MalwareDomainList,
        UrlCommand::SafeWeb,         UrlCommand::SiteAdvisor, UrlCommand::TrustedSource,
        UrlCommand::WebOfTrust,      UrlCommand::WebSniffer,  UrlCommand::LinkScanner};
    ASSERT_EQ(list.services.size(), order.size());
    const std::string entries[] = {"http://www.example.com:81/a", "mailto:bob@example.com",
                                   "@file:///C:/x", "@:Host: example.org"};
    for (std::size_t i = 0; i < order.size(); ++i) {
        const LookupService& s = list.services[i];
        SCOPED_TRACE(s.cliName);
        EXPECT_EQ(s.builtIn, order[i]);
        EXPECT_EQ(s.menuCaption, Caption(order[i]));
        EXPECT_EQ(s.cliName, CliName(order[i]));
        EXPECT_EQ(s.addressTemplate, "");
        for (const std::string& entry : entries) {
            const AddressResult mine = LookUpAddress(s, entry);
            const AddressResult before = AddressFor(order[i], entry, {});
            EXPECT_EQ(mine.kind, before.kind);
            EXPECT_EQ(mine.address, before.address);
        }
    }
    EXPECT_EQ(list.services[1].caption, "Blackthorn Online");
}

std::vector<std::string> Captions(const LookupServices& list) {
    std::vector<std::string> out;
    for (const LookupService& s : list.services) out.push_back(s.caption);
    return out;
}

const std::vector<std::string> kDefaultCaptions{
    "Browser Defender", "Blackthorn Online", "Malware Domain List",
    "Norton SafeWeb",   "SiteAdvisor",       "Trusted Source",
    "Web of Trust",     "Web Sniffer",       "XPL Link Scanner"};

std::vector<std::string> DefaultsWithout(std::vector<std::string> hidden) {
    std::vector<std::string> out;
    for (const std::string& c : kDefaultCaptions) {
        if (std::find(hidden.begin(), hidden.end(), c) == hidden.end()) out.push_back(c);
    }
    return out;
}

std::vector<std::string> Plus(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(LookupServicesFrom, HidesReplacesAndAddsInFileOrder) {
    const std::string vt = "https://www.virustotal.com/gui/domain/{host}";
    const std::string urlscan = "https://urlscan.io/search/#{host}";
    const std::string wot = "https://www.mywot.com/scorecard/{host}";
    struct Case {
        const char* name;
        Keys keys;
        std::vector<std::string> captions;
        std::size_t ignored;
    };
    const Case cases[] = {
        {"hide one", {{"Norton SafeWeb", ""}}, DefaultsWithout({"Norton SafeWeb"}), 0},
        {"hide in any case, with or without the marker",
         {{"blackthorn online", ""}, {"&Web Sniffer", ""}},
         DefaultsWithout({"Blackthorn Online", "Web Sniffer"}),
         0},
        {"add two after the defaults in file order",
         {{"VirusTotal", vt}, {"Browser Defender", ""}, {"urlscan.io", urlscan}},
         Plus(DefaultsWithout({"Browser Defender"}), {"VirusTotal", "urlscan.io"}),
         0},
        {"a new address keeps the default's place", {{"Web of Trust", wot}}, kDefaultCaptions, 0},
        {"bad templates are ignored",
         {{"Bad", "ftp://x.example/{host}"}, {"Norton SafeWeb", "javascript:x"}, {"Empty", ""}},
         kDefaultCaptions,
         3},
        {"a default named twice counts once",
         {{"&Blackthorn Online", ""}, {"Blackthorn Online", "http://b.example/{host}"}},
         DefaultsWithout({"Blackthorn Online"}),
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LookupServices list = LookupServicesFrom(c.keys);
        EXPECT_EQ(Captions(list), c.captions);
        EXPECT_EQ(list.ignored.size(), c.ignored);
    }

    const LookupServices replaced = LookupServicesFrom(Keys{{"web of trust", wot}});
    EXPECT_EQ(replaced.services[6].builtIn, UrlCommand::WebOfTrust);
    EXPECT_EQ(replaced.services[6].cliName, "web-of-trust");
    EXPECT_EQ(LookUpAddress(replaced.services[6], "http://www.a.example/").address,
              "https://www.mywot.com/scorecard/a.example");
    // The default's own address, written as a template, changes nothing.
    const LookupServices same =
        LookupServicesFrom(Keys{{"Blackthorn Online", DefaultTemplate(UrlCommand::Blackthorn)}});
    EXPECT_EQ(same, DefaultLookupServices());
}

TEST(LookupServicesFrom, IgnoredKeysAreLoggedWithTheirReason) {
    const LookupServices list = LookupServicesFrom(
        Keys{{"Bad", "ftp://x.example/{host}"}, {"Norton SafeWeb", "www.norton.example/{host}"}});
    ASSERT_EQ(list.ignored.size(), 2u);
    EXPECT_EQ(IgnoredServiceLine(list.ignored[0]),
              "Look-up service \"Bad\" in [Services] ignored: the address must begin with http:// "
              "or https://");
    EXPECT_EQ(list.ignored[1].entry,
              (ini::KeyValue{"Norton SafeWeb", "www.norton.example/{host}"}));
    EXPECT_EQ(IgnoredServiceLine(list.ignored[1]),
              "Look-up service \"Norton SafeWeb\" in [Services] ignored: the address must begin "
              "with http:// or https://; the default address stays");
}

TEST(LookupServicesFrom, UserServicesGetCommandNamesOfTheirOwn) {
    const std::string t = "https://x.example/{host}";
    const LookupServices list = LookupServicesFrom(Keys{{"Google Transparency Report", t},
                                                        {"Launch", t},
                                                        {"A b", t},
                                                        {"a-b", t},
                                                        {"AT&T Check", t},
                                                        {"SafeWeb", t}});
    std::vector<std::string> names;
    for (std::size_t i = 9; i < list.services.size(); ++i)
        names.push_back(list.services[i].cliName);
    EXPECT_EQ(names, (std::vector<std::string>{"google-transparency-report", "launch-2", "a-b",
                                               "a-b-2", "at&t-check", "safeweb-2"}));
    // A '&' of the user's shows as written, not as an accelerator.
    EXPECT_EQ(list.services[13].caption, "AT&T Check");
    EXPECT_EQ(list.services[13].menuCaption, "AT&&T Check");
}

TEST(LookupSwitches, AnyValueButAPlainNoSwitchesOn) {
    for (const char* off : {"", "0", "no", "False", "OFF"}) EXPECT_FALSE(SwitchIsOn(off)) << off;
    for (const char* on : {"1", "yes", "true", "2", "on", "01"}) EXPECT_TRUE(SwitchIsOn(on)) << on;

    test::TempDir dir;
    SettingsStore settings(dir.path());
    EXPECT_FALSE(ReadLookupSwitches(settings).offline);
    EXPECT_FALSE(ReadLookupSwitches(settings).confirm);
    dir.write("Tessaly.ini", "[Lookups]\r\nOffline=1\r\nConfirm=0\r\n");
    EXPECT_TRUE(ReadLookupSwitches(settings).offline);
    EXPECT_FALSE(ReadLookupSwitches(settings).confirm);
    EXPECT_EQ(SwitchedOff().reason, texts::kLookupsOff);
    EXPECT_EQ(SwitchedOff().kind, Kind::NotAnAddress);
}

// ------------------------------------------------------- the dialog's list

std::vector<std::string> Captions(const ServicesEditor& editor) {
    std::vector<std::string> out;
    for (const auto& row : editor.rows()) out.push_back(row.caption);
    return out;
}

// Whatever the editor shows is what its keys read back as.
void ExpectRoundTrip(const ServicesEditor& editor) {
    const LookupServices read = LookupServicesFrom(editor.sectionKeys());
    ASSERT_EQ(read.services.size(), editor.rows().size());
    for (std::size_t i = 0; i < read.services.size(); ++i) {
        const auto& row = editor.rows()[i];
        EXPECT_EQ(read.services[i].caption, row.caption);
        EXPECT_EQ(read.services[i].builtIn, row.builtIn);
        const std::string shown = read.services[i].addressTemplate.empty()
                                      ? DefaultTemplate(*row.builtIn)
                                      : read.services[i].addressTemplate;
        EXPECT_EQ(shown, row.addressTemplate);
    }
}

TEST(ServicesEditor, EditsAndWritesKeysThatReadBackAsShown) {
    const std::string vt = "https://www.virustotal.com/gui/domain/{host}";
    ServicesEditor editor(LookupServicesFrom(Keys{{"VirusTotal", vt}}));
    EXPECT_EQ(editor.sectionKeys(), (Keys{{"VirusTotal", vt}}));
    ExpectRoundTrip(editor);

    EXPECT_EQ(editor.add("  urlscan  ", " https://urlscan.io/search/#{host} "), "");
    EXPECT_EQ(editor.add("Transparency",
                         "https://transparencyreport.google.com/safe-browsing/"
                         "search?url={url}"),
              "");
    editor.remove(3);  // Norton SafeWeb
    EXPECT_EQ(editor.change(5, "Web of Trust", "https://www.mywot.com/scorecard/{host}"), "");
    ASSERT_TRUE(editor.canMove(9, -1));
    editor.move(9, -1);                         // urlscan above VirusTotal
    EXPECT_EQ(editor.change(9, "VT", vt), "");  // user services may be renamed
    EXPECT_EQ(Captions(editor),
              Plus(DefaultsWithout({"Norton SafeWeb"}), {"urlscan", "VT", "Transparency"}));
    EXPECT_EQ(editor.sectionKeys(),
              (Keys{{"Norton SafeWeb", ""},
                    {"Web of Trust", "https://www.mywot.com/scorecard/{host}"},
                    {"urlscan", "https://urlscan.io/search/#{host}"},
                    {"VT", vt},
                    {"Transparency",
                     "https://transparencyreport.google.com/safe-browsing/search?url={url}"}}));
    ExpectRoundTrip(editor);

    editor.restoreDefaults();
    EXPECT_EQ(Captions(editor), kDefaultCaptions);
    EXPECT_EQ(editor.sectionKeys(), Keys{});
}

TEST(ServicesEditor, RefusesWhatTheListCannotHold) {
    ServicesEditor editor(
        LookupServicesFrom(Keys{{"Norton SafeWeb", ""}, {"Mine", "https://m.example/{host}"}}));
    const auto before = editor.rows();
    const std::string t = "https://x.example/{host}";
    EXPECT_NE(editor.add("", t), "");
    EXPECT_NE(editor.add("a=b", t), "");
    EXPECT_NE(editor.add(";x", t), "");
    EXPECT_NE(editor.add("[x", t), "");
    EXPECT_NE(editor.add("two\nlines", t), "");
    EXPECT_NE(editor.add("MINE", t), "");            // another service's name
    EXPECT_NE(editor.add("norton safeweb", t), "");  // a removed default's name
    EXPECT_NE(editor.add("Browser Defender", t), "");
    EXPECT_NE(editor.add("New", "ftp://x.example/{host}"), "");
    EXPECT_NE(editor.add("New", ""), "");
    EXPECT_NE(editor.change(0, "Renamed", t), "");  // a default keeps its name
    EXPECT_NE(editor.change(8, "Browser Defender", t), "");
    EXPECT_NE(editor.change(8, "Mine", "http://{host}/"), "");
    EXPECT_EQ(editor.rows(), before);

    // Defaults stay where they are; user services move among themselves.
    EXPECT_FALSE(editor.canMove(0, 1));
    EXPECT_FALSE(editor.canMove(3, -1));
    EXPECT_FALSE(editor.canMove(8, -1));
    EXPECT_FALSE(editor.canMove(8, 1));
    EXPECT_TRUE(editor.captionEditable(8));
    EXPECT_FALSE(editor.captionEditable(0));
}

TEST(ServicesEditor, KeepsIgnoredKeysUntilAServiceTakesTheirName) {
    const Keys keys{{"Typo", "htp://t.example/{host}"}, {"Web Sniffer", "ws.example/{url}"}};
    ServicesEditor editor(LookupServicesFrom(keys));
    EXPECT_EQ(editor.ignored().size(), 2u);
    EXPECT_EQ(editor.sectionKeys(), keys);
    EXPECT_EQ(editor.add("typo", "http://t.example/{host}"), "");
    EXPECT_EQ(editor.sectionKeys(),
              (Keys{{"typo", "http://t.example/{host}"}, {"Web Sniffer", "ws.example/{url}"}}));
    editor.remove(7);  // Web Sniffer, which the ignored key would have changed
    EXPECT_EQ(editor.sectionKeys(),
              (Keys{{"Web Sniffer", ""}, {"typo", "http://t.example/{host}"}}));
}

}  // namespace
}  // namespace tessaly
