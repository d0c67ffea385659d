#include "core/actions/result_writer.h"

#include <ostream>

#include "core/app/ascii_case.h"
#include "core/app/identity.h"
#include "core/extract/codepage.h"

namespace tessaly {

namespace {

constexpr std::string_view kCrLf = "\r\n";

}  // namespace

SaveLayout LayoutForFileName(std::string_view fileName) {
    constexpr std::string_view kHtml = "html";
    return fileName.size() >= kHtml.size() &&
                   EqualNoCase(fileName.substr(fileName.size() - kHtml.size()), kHtml)
               ? SaveLayout::Html
               : SaveLayout::Plain;
}

void WritePlainRow(std::ostream& out, std::string_view bytes) {
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.write(kCrLf.data(), static_cast<std::streamsize>(kCrLf.size()));
}

void WritePlainContents(std::ostream& out, const ContentsRows& rows) {
    for (std::size_t i = 0; i < rows.size(); ++i) WritePlainRow(out, rows.row(i));
}

void WritePlainFiles(std::ostream& out, std::span<const IndexFileRow> rows,
                     const std::function<std::string(const std::string&)>& dosPath) {
    for (const auto& row : rows) {
        out << row.location << kCrLf << "DOS Path: " << dosPath(row.location) << kCrLf
            << "Size: " << row.sizeText << kCrLf << kCrLf;
    }
}

std::string EscapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

void WriteHtmlHead(std::ostream& out, std::string_view contentsFile) {
    // The whole page is UTF-8, says so before anything else, and holds its
    // style itself: opened from disk it fetches nothing.
    const std::string heading = std::string(kTitle) + " extraction results for: " +
                                EscapeHtml(NativeToUtf8(UpToNul(contentsFile)));
    out << "<html><head><meta charset=\"utf-8\"><title>" << heading << "</title>" << kCrLf
        << "<style>body { font-family: Verdana, Arial, sans-serif; font-size: 10pt; } "
           "h2 { font-size: 12pt; } a { color: #003399; }</style>"
        << kCrLf << "<meta name=\"Generator\" content=\"" << kTitle << ' ' << VersionText() << "\">"
        << kCrLf << "</head><body><h2><center>" << heading << "</center></h2>" << kCrLf << kCrLf;
}

void WriteHtmlLink(std::ostream& out, std::string_view item, HtmlItems items) {
    const std::string_view shown = UpToNul(item);
    const std::string x =
        EscapeHtml(items == HtmlItems::Entries ? Cp1252ToUtf8(shown) : NativeToUtf8(shown));
    out << "<a href=\"" << x << "\" target=\"_blank\">" << x << "</a><br>" << kCrLf << kCrLf;
}

void WriteHtmlEnd(std::ostream& out) { out << "</body></html>" << kCrLf; }

void WriteHtml(std::ostream& out, std::string_view contentsFile, std::size_t count,
               const std::function<std::string_view(std::size_t)>& item, HtmlItems items) {
    WriteHtmlHead(out, contentsFile);
    for (std::size_t i = 0; i < count; ++i) WriteHtmlLink(out, item(i), items);
    WriteHtmlEnd(out);
}

}  // namespace tessaly
