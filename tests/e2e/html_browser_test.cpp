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

// The DOM after the page has loaded and run whatever scripts it has.
std::string DumpDom(const test::TempDir& dir, const std::string& page) {
    const std::string command =
        std::string("timeout 120 ") + kChromium +
        " --headless --no-sandbox --disable-gpu --disable-background-networking"
        " --disable-component-update --disable-sync --no-first-run"
        " --host-resolver-rules='MAP * ~NOTFOUND' --user-data-dir=" +
        dir.file("profile") + " --dump-dom 'file://" + page + "' 2>/dev/null";
    std::string dom;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) dom.append(buf, n);
        ::pclose(pipe);
    }
    return dom;
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
    const std::string page = dir.file("results.html");
    ASSERT_TRUE(SaveAtomically(page, [&](std::ostream& out) {
                    WriteHtml(out, contentsFile, entries.size(),
                              [&](std::size_t i) -> std::string_view { return entries[i]; });
                }).ok);

    const std::string dom = DumpDom(dir, page);
    ASSERT_NE(dom.find("</html>"), std::string::npos) << "no page from the browser:\n" << dom;

    EXPECT_EQ(dom.find("<script"), std::string::npos) << dom;
    EXPECT_EQ(dom.find("<img"), std::string::npos) << dom;
    EXPECT_EQ(dom.find("<b>"), std::string::npos) << dom;
    EXPECT_EQ(Between(dom, "<title>", "</title>"),
              std::vector<std::string>{"Tessaly extraction results for: " + contentsFile});
    EXPECT_EQ(Between(dom, "<a href=\"", "\""), entries) << dom;
    EXPECT_EQ(Between(dom, "target=\"_blank\">", "</a>"), entries) << dom;
}

}  // namespace
}  // namespace tessaly
