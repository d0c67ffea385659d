// The HTML results page over any rows and file name: the page holds exactly
// one link per row and no element other than the page's own, and is UTF-8
// throughout, whatever the entries hold. A small tag scanner reads the page:
// every '<' must open one of the layout's tags, every tag must close with '>'
// before any other '<', and no '>' may stand in text.

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "core/actions/result_writer.h"
#include "core/extract/codepage.h"

namespace {

[[noreturn]] void Fail(const char* what, std::string_view near) {
    std::fprintf(stderr, "fuzz_html: %s near: %.*s\n", what,
                 static_cast<int>(std::min<std::size_t>(near.size(), 80)), near.data());
    std::abort();
}

// The names of the tags the layout writes.
constexpr std::array<std::string_view, 18> kOwnTags{
    "html", "/html", "head", "/head", "title",  "/title",  "style", "/style", "meta",
    "body", "/body", "h2",   "/h2",   "center", "/center", "a",     "/a",     "br"};

bool OwnTag(std::string_view name) {
    for (const auto tag : kOwnTags) {
        if (tag == name) return true;
    }
    return false;
}

// The number of <a ...> tags; aborts on anything that is not the layout's own markup.
std::size_t CountLinks(std::string_view page) {
    std::size_t links = 0;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t open = page.find('<', pos);
        if (page.substr(pos, open - pos).find('>') != std::string_view::npos) {
            Fail("'>' in text", page.substr(pos));
        }
        if (open == std::string_view::npos) return links;
        const std::size_t close = page.find('>', open);
        if (close == std::string_view::npos) Fail("unclosed tag", page.substr(open));
        const std::string_view tag = page.substr(open + 1, close - open - 1);
        if (tag.find('<') != std::string_view::npos) Fail("'<' inside a tag", tag);
        const std::string_view name = tag.substr(0, tag.find(' '));
        if (!OwnTag(name)) Fail("foreign element", tag);
        if (name == "a") {
            ++links;
            // Attribute values are quoted and hold no quote of their own.
            std::size_t quotes = 0;
            for (const char c : tag) quotes += c == '"' ? 1 : 0;
            if (quotes != 4) Fail("link attributes broken", tag);
        }
        pos = close + 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string contentsFile = in.ConsumeRandomLengthString(300);
    std::vector<std::string> rows;
    while (in.remaining_bytes() > 0 && rows.size() < 500)
        rows.push_back(in.ConsumeRandomLengthString(200));

    std::ostringstream out;
    tessaly::WriteHtml(out, contentsFile, rows.size(),
                       [&](std::size_t i) -> std::string_view { return rows[i]; });
    const std::string page = out.str();
    if (CountLinks(page) != rows.size()) Fail("not one link per row", page);
    // The page says it is UTF-8, so it must be, whatever bytes it was given.
    if (tessaly::NativeToUtf8(page) != page) Fail("not UTF-8", page);
    return 0;
}
