#include "core/actions/result_writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/actions/addresses.h"
#include "support/temp_dir.h"

namespace tessaly {
namespace {

using namespace std::string_literals;

TEST(LayoutForFileName, HtmlOnlyWhenTheLastFourCharactersAreHtml) {
    const std::pair<std::string_view, SaveLayout> cases[] = {
        {"a.html", SaveLayout::Html},     {"a.HTML", SaveLayout::Html},
        {"a.Html", SaveLayout::Html},     {"a.shtml", SaveLayout::Html},
        {"myhtml", SaveLayout::Html},     {"/dir.txt/b.html", SaveLayout::Html},
        {"a.htm", SaveLayout::Plain},     {"a.tly", SaveLayout::Plain},
        {"a.gbk", SaveLayout::Plain},     {"a.txt", SaveLayout::Plain},
        {"a", SaveLayout::Plain},         {"", SaveLayout::Plain},
        {"/x.html/a", SaveLayout::Plain},
    };
    for (const auto& [name, layout] : cases) {
        EXPECT_EQ(LayoutForFileName(name), layout) << name;
    }
}

TEST(PlainLayout, ContentsRowsAreWrittenWholeByteForByte) {
    ContentsRows rows;
    rows.append("http://example.com/page\0\x01\xFF tail"s);
    rows.append("mailto:user@example.com\r\nmore");
    rows.append("");
    std::ostringstream out;
    WritePlainContents(out, rows);
    EXPECT_EQ(out.str(),
              "http://example.com/page\0\x01\xFF tail\r\n"
              "mailto:user@example.com\r\nmore\r\n"
              "\r\n"s);
}

TEST(PlainLayout, FilesRowsHaveFourLinesEach) {
    const std::vector<IndexFileRow> rows{{"/data/one/index.dat", "32.00", 32768},
                                         {"/data/two/index.dat", "0.50", 512}};
    std::ostringstream out;
    WritePlainFiles(out, rows, [](const std::string& p) { return "SHORT(" + p + ")"; });
    EXPECT_EQ(out.str(),
              "/data/one/index.dat\r\nDOS Path: SHORT(/data/one/index.dat)\r\nSize: 32.00\r\n\r\n"
              "/data/two/index.dat\r\nDOS Path: SHORT(/data/two/index.dat)\r\nSize: 0.50\r\n\r\n");
}

TEST(PlainLayout, EmptyListsGiveEmptyFiles) {
    std::ostringstream contents, files;
    WritePlainContents(contents, ContentsRows{});
    WritePlainFiles(files, {}, [](const std::string& p) { return p; });
    EXPECT_EQ(contents.str(), "");
    EXPECT_EQ(files.str(), "");
}

std::string Header(std::string_view p) {
    const std::string heading = "Tessaly extraction results for: " + std::string(p);
    return "<html><head><meta charset=\"utf-8\"><title>" + heading + "</title>\r\n" +
           "<style>body { font-family: Verdana, Arial, sans-serif; font-size: 10pt; } "
           "h2 { font-size: 12pt; } a { color: #003399; }</style>\r\n"
           "<meta name=\"Generator\" content=\"Tessaly 1.0.8\">\r\n"
           "</head><body><h2><center>" +
           heading + "</center></h2>\r\n\r\n";
}

std::string Link(std::string_view x) {
    return "<a href=\"" + std::string(x) + "\" target=\"_blank\">" + std::string(x) +
           "</a><br>\r\n\r\n";
}

constexpr std::string_view kFooter = "</body></html>\r\n";

// Opened from disk the page fetches nothing: no stylesheet, script, image,
// frame or import from anywhere, whatever the entries hold.
TEST(HtmlLayout, NamesNothingToFetch) {
    const std::string entries[] = {"http://a.example/", "mailto:u@b.example"};
    std::ostringstream out;
    WriteHtml(out, "/cases/index.dat", 2,
              [&](std::size_t i) -> std::string_view { return entries[i]; });
    const std::string page = out.str();
    for (const char* fetches : {"<link", "<script", "<img", "<iframe", "@import", "url(", "src="}) {
        EXPECT_EQ(page.find(fetches), std::string::npos) << fetches;
    }
    EXPECT_NE(page.find("<style>"), std::string::npos);
}

// The whole page is UTF-8 and every text reads as the lists show it: entries
// from Windows-1252, paths as UTF-8 with U+FFFD for bytes that are not.
TEST(HtmlLayout, TextsAreUtf8AsTheListsShowThem) {
    struct Case {
        HtmlItems items;
        std::string item;
        std::string shown;
    };
    const Case cases[] = {
        {HtmlItems::Entries, "http://caf\xE9.example/men\xFC?\x80\x9F\0\xFF"s,
         "http://caf\xC3\xA9.example/men\xC3\xBC?\xE2\x82\xAC\xC5\xB8"},
        {HtmlItems::Paths, "/data/caf\xC3\xA9/index.dat", "/data/caf\xC3\xA9/index.dat"},
        {HtmlItems::Paths, "/data/caf\xE9/index.dat", "/data/caf\xEF\xBF\xBD/index.dat"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        std::ostringstream out;
        WriteHtml(
            out,
            "/cases/B\xC3\xBC"
            "cher/\xFF.dat",
            1, [&](std::size_t) -> std::string_view { return c.item; }, c.items);
        EXPECT_EQ(out.str(), Header("/cases/B\xC3\xBC"
                                    "cher/\xEF\xBF\xBD.dat") +
                                 Link(c.shown) + std::string(kFooter));
    }
}

TEST(HtmlLayout, ContentsViewLinksTheShownEntries) {
    ContentsRows rows;
    rows.append("http://example.com/a\0junk\x02"s);
    rows.append("mailto:user@example.com");
    std::ostringstream out;
    WriteHtml(out, "/cases/index.dat", rows.size(), [&](std::size_t i) { return rows.shown(i); });
    EXPECT_EQ(out.str(), Header("/cases/index.dat") + Link("http://example.com/a") +
                             Link("mailto:user@example.com") + std::string(kFooter));
}

TEST(HtmlLayout, FilesViewLinksTheLocations) {
    const std::vector<IndexFileRow> rows{{"/data/one/index.dat", "32.00", 32768}};
    std::ostringstream out;
    WriteHtml(out, "/cases/last.dat", rows.size(),
              [&](std::size_t i) -> std::string_view { return rows[i].location; });
    EXPECT_EQ(out.str(),
              Header("/cases/last.dat") + Link("/data/one/index.dat") + std::string(kFooter));
}

TEST(HtmlLayout, EmptyListBeforeAnyExtraction) {
    std::ostringstream out;
    WriteHtml(out, "", 0, [](std::size_t) { return std::string_view{}; });
    EXPECT_EQ(out.str(), Header("") + std::string(kFooter));
    EXPECT_TRUE(out.str().starts_with(
        "<html><head><meta charset=\"utf-8\"><title>Tessaly extraction results for: "
        "</title>\r\n"));
}

TEST(HtmlLayout, EntriesAndFileNameCannotInjectMarkup) {
    const std::string entries[] = {
        "http://x/\"><script>alert('x')</script>",
        "http://x/?a=1&b=<i>",
        "http://x/\" onmouseover=\"alert(1)\0\"><script>"s,
    };
    std::ostringstream out;
    WriteHtml(out, "C:\\<b>&'\"", 3, [&](std::size_t i) { return std::string_view(entries[i]); });
    EXPECT_EQ(out.str(),
              Header("C:\\&lt;b&gt;&amp;&#39;&quot;") +
                  Link("http://x/&quot;&gt;&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;") +
                  Link("http://x/?a=1&amp;b=&lt;i&gt;") +
                  Link("http://x/&quot; onmouseover=&quot;alert(1)") + std::string(kFooter));
}

}  // namespace
}  // namespace tessaly
