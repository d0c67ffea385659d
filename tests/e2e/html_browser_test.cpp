// Loads a results page in a real browser engine (headless Chromium) to see
// that entries taken from an index file stay text: no markup they carry
// becomes an element and no script they carry runs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/actions/result_writer.h"
#include "support/temp_dir.h"

namespace tessaly {
namespace {

constexpr const char* kChromium = "/usr/bin/chromium";

// The DOM after the page has loaded and run whatever scripts it has. The
// browser's network log goes to "net.json" in `dir`.
std::string DumpDom(const test::TempDir& dir, const std::string& page) {
    const std::string command =
        std::string("timeout 120 ") + kChromium +
        " --headless --no-sandbox --disable-gpu --disable-background-networking"
        " --disable-component-update --disable-sync --no-first-run"
        " --host-resolver-rules='MAP * ~NOTFOUND' --user-data-dir=" +
        dir.file("profile") + " --log-net-log=" + dir.file("net.json") + " --dump-dom 'file://" +
        page + "' 2>/dev/null";
    std::string dom;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) dom.append(buf, n);
        ::pclose(pipe);
    }
    return dom;
}

// The hosts of the web addresses the browser asked for, from its network log.
std::vector<std::string> RequestedHosts(const test::TempDir& dir) {
    const std::string log = dir.read("net.json");
    std::vector<std::string> hosts;
    constexpr std::string_view kUrl = "\"url\":\"";
    for (auto at = log.find(kUrl); at != std::string::npos; at = log.find(kUrl, at + 1)) {
        const auto scheme = log.find("://", at);
        if (scheme == std::string::npos) break;
        const auto end = log.find_first_of("/\":?", scheme + 3);
        if (end == std::string::npos) break;
        hosts.push_back(log.substr(scheme + 3, end - scheme - 3));
    }
    return hosts;
}

std::string Unescape(std::string_view s) {
    const std::pair<std::string_view, char> refs[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&#39;", '\''}};
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        bool replaced = false;
        for (const auto& [ref, c] : refs) {
            if (s.substr(i, ref.size()) == ref) {
                out += c;
                i += ref.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) out += s[i++];
    }
    return out;
}

// The text between each `open` and the next `close`, unescaped.
std::vector<std::string> Between(const std::string& dom, std::string_view open,
                                 std::string_view close) {
    std::vector<std::string> found;
    for (auto at = dom.find(open); at != std::string::npos; at = dom.find(open, at)) {
        at += open.size();
        const auto end = dom.find(close, at);
        if (end == std::string::npos) break;
        found.push_back(Unescape(std::string_view(dom).substr(at, end - at)));
        at = end;
    }
    return found;
}

// Writes the page of `entries` into `dir` and loads it; "" when the browser
// gave no page.
std::string PageInBrowser(const test::TempDir& dir, const std::string& contentsFile,
                          const std::vector<std::string>& entries) {
    const std::string page = dir.file("results.html");
    const bool saved = SaveAtomically(page, [&](std::ostream& out) {
                           WriteHtml(out, contentsFile, entries.size(),
                                     [&](std::size_t i) -> std::string_view { return entries[i]; });
                       }).ok;
    const std::string dom = saved ? DumpDom(dir, page) : std::string();
    return dom.find("</html>") == std::string::npos ? std::string() : dom;
}

// The page names `contentsFile` in its title and links every entry to itself,
// all reading `shown`.
void ExpectPage(const std::string& dom, const std::string& contentsFile,
                const std::vector<std::string>& shown) {
    EXPECT_EQ(Between(dom, "<title>", "</title>"),
              std::vector<std::string>{"Tessaly extraction results for: " + contentsFile});
    EXPECT_EQ(Between(dom, "<a href=\"", "\""), shown) << dom;
    EXPECT_EQ(Between(dom, "target=\"_blank\">", "</a>"), shown) << dom;
}

TEST(HtmlInBrowser, EntriesStayTextAndLinkToThemselves) {
    if (::access(kChromium, X_OK) != 0) GTEST_SKIP() << kChromium << " is not installed";
    test::TempDir dir;
    const std::string contentsFile = "C:\\<script>document.title='PWNED0'</script>index.dat";
    const std::vector<std::string> entries{
        "http://a.example/\"><script>document.title='PWNED1'</script>",
        "http://b.example/?x=1&y=<img src=x onerror=\"document.title='PWNED2'\">",
        "http://c.example/' onmouseover='document.title=1' x='",
        "http://d.example/</a><b>bold</b>&amp;",
    };
    const std::string dom = PageInBrowser(dir, contentsFile, entries);
    ASSERT_NE(dom, "") << "no page from the browser";
    EXPECT_EQ(dom.find("<script"), std::string::npos) << dom;
    EXPECT_EQ(dom.find("<img"), std::string::npos) << dom;
    EXPECT_EQ(dom.find("<b>"), std::string::npos) << dom;
    ExpectPage(dom, contentsFile, entries);
}

// Entries with bytes 0x80 to 0xFF and a path in UTF-8 read in the browser as
// the lists show them, and the page asks no server for anything (the
// browser's own traffic aside, every host a test page names ends in
// "example" or "example.org").
TEST(HtmlInBrowser, NonAsciiTextReadsAsTheListsShowItAndNothingIsFetched) {
    if (::access(kChromium, X_OK) != 0) GTEST_SKIP() << kChromium << " is not installed";
    test::TempDir dir;
    const std::string contentsFile =
        "/cases/B\xC3\xBC"
        "cher/index.dat";
    const std::vector<std::string> entries{
        "http://caf\xE9.example/men\xFC",
        "http://b.example/\x80\x99\x9F?q=\xE0\xFF",
        "mailto:j\xF6rg@c.example",
    };
    const std::vector<std::string> shown{
        "http://caf\xC3\xA9.example/men\xC3\xBC",
        "http://b.example/\xE2\x82\xAC\xE2\x84\xA2\xC5\xB8?q=\xC3\xA0\xC3\xBF",
        "mailto:j\xC3\xB6rg@c.example",
    };
    const std::string dom = PageInBrowser(dir, contentsFile, entries);
    ASSERT_NE(dom, "") << "no page from the browser";
    ExpectPage(dom, contentsFile, shown);
    EXPECT_EQ(Between(dom, "<center>", "</center>"),
              std::vector<std::string>{"Tessaly extraction results for: " + contentsFile});
    EXPECT_EQ(dom.find("<link"), std::string::npos) << dom;
    for (const std::string& host : RequestedHosts(dir)) {
        EXPECT_FALSE(host.ends_with("example") || host.ends_with("example.org")) << host;
    }
}

}  // namespace
}  // namespace tessaly
