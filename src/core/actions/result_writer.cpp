#include "core/actions/result_writer.h"

#include <ostream>

#include "core/actions/addresses.h"
#include "core/app/ascii_case.h"
#include "core/app/identity.h"

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
    const std::string heading =
        std::string(kTitle) + " extraction results for: " + EscapeHtml(UpToNul(contentsFile));
    out << "<html><head><title>" << heading << "</title>" << kCrLf << "<link rel=stylesheet HREF=\""
        << StylesheetAddress() << "\" TITLE=\"GorsebankStandard\" TYPE=\"text/css\">" << kCrLf
        << "<meta name=\"Generator\" content=\"" << kTitle << ' ' << VersionText() << "\">" << kCrLf
        << "</head><body><h2><center>" << heading << "</center></h2>" << kCrLf << kCrLf;
}

void WriteHtmlLink(std::ostream& out, std::string_view item) {
    const std::string x = EscapeHtml(UpToNul(item));
    out << "<a href=\"" << x << "\" target=\"_blank\">" << x << "</a><br>" << kCrLf << kCrLf;
}

void WriteHtmlEnd(std::ostream& out) { out << "</body></html>" << kCrLf; }

void WriteHtml(std::ostream& out, std::string_view contentsFile, std::size_t count,
               const std::function<std::string_view(std::size_t)>& item) {
    WriteHtmlHead(out, contentsFile);
    for (std::size_t i = 0; i < count; ++i) WriteHtmlLink(out, item(i));
    WriteHtmlEnd(out);
}

}  // namespace tessaly
