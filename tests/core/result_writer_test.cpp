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
    const std::vector<IndexFileRow> rows{{"/data/one/index.dat", "32.00"},
                                         {"/data/two/index.dat", "0.50"}};
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
    const std::vector<IndexFileRow> rows{{"/data/one/index.dat", "32.00"}};
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

// The folder listing, to see that no temporary file is left behind.
std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

auto Writes(std::string text) {
    return [text = std::move(text)](std::ostream& out) { out << text; };
}

TEST(SaveAtomically, CreatesTheFile) {
    test::TempDir dir;
    const SaveResult r = SaveAtomically(dir.file("new.txt"), Writes("a\0b\r\n"s));
    EXPECT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(dir.read("new.txt"), "a\0b\r\n"s);
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"new.txt"});
}

TEST(SaveAtomically, ReplacesTheWholeOldContentAndKeepsItsPermissions) {
    test::TempDir dir;
    dir.write("old.txt", std::string(100000, 'x'));
    ASSERT_EQ(::chmod(dir.file("old.txt").c_str(), 0640), 0);
    const SaveResult r = SaveAtomically(dir.file("old.txt"), Writes("short\r\n"));
    EXPECT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(dir.read("old.txt"), "short\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(dir.file("old.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"old.txt"});
}

TEST(SaveAtomically, WritesLargeOutputWhole) {
    test::TempDir dir;
    std::string big;
    for (int i = 0; i < 20000; ++i) big += "http://example.com/" + std::to_string(i) + "\r\n";
    ASSERT_TRUE(SaveAtomically(dir.file("big.txt"), Writes(big)).ok);
    EXPECT_EQ(dir.read("big.txt"), big);
}

TEST(SaveAtomically, FailsWithTheSystemsReasonWhenTheFolderCannotTakeTheFile) {
    test::TempDir dir;
    dir.write("plain-file", "x");
    const std::pair<std::string, std::string_view> cases[] = {
        {dir.file("missing/out.txt"), "No such file or directory"},
        {dir.file("plain-file/out.txt"), "Not a directory"},
    };
    for (const auto& [target, reason] : cases) {
        const SaveResult r = SaveAtomically(target, Writes("data"));
        EXPECT_FALSE(r.ok) << target;
        EXPECT_EQ(r.reason, reason) << target;
    }
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"plain-file"});
}

TEST(SaveAtomically, LeavesTheOldFileIntactInAFolderItCannotWrite) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    test::TempDir dir;
    dir.write("locked/out.txt", "old content");
    const std::string folder = dir.file("locked");
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    const SaveResult r = SaveAtomically(dir.file("locked/out.txt"), Writes("new"));
    ::chmod(folder.c_str(), 0755);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.reason, "Permission denied");
    EXPECT_EQ(dir.read("locked/out.txt"), "old content");
    EXPECT_EQ(Names(folder), std::vector<std::string>{"out.txt"});
}

TEST(SaveAtomically, RemovesItsTemporaryFileWhenTheRenameFails) {
    test::TempDir dir;
    dir.write("taken/inside.txt", "keep");
    const SaveResult r = SaveAtomically(dir.file("taken"), Writes("new"));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.reason, "Is a directory");
    EXPECT_EQ(dir.read("taken/inside.txt"), "keep");
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"taken"});
}

TEST(SaveAtomically, RemovesItsTemporaryFileWhenTheWriterThrows) {
    test::TempDir dir;
    dir.write("out.txt", "old content");
    EXPECT_THROW(SaveAtomically(dir.file("out.txt"),
                                [](std::ostream& out) {
                                    out << "partial";
                                    throw std::runtime_error("row failed");
                                }),
                 std::runtime_error);
    EXPECT_EQ(dir.read("out.txt"), "old content");
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"out.txt"});
}

}  // namespace
}  // namespace tessaly
