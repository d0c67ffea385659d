#pragma once

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>

#include "core/extract/contents_rows.h"
#include "core/search/index_file_row.h"
#include "platform/safe_save.h"  // SaveAtomically, which every save and export uses

namespace tessaly {

// The two layouts a list is saved in, chosen by the file name alone.
enum class SaveLayout { Plain, Html };

// Html when the last four characters of the name, lower-cased, are "html"
// (a.HTML, a.shtml, myhtml); Plain otherwise (a.htm, a.txt, "a").
SaveLayout LayoutForFileName(std::string_view fileName);

// Contents view, plain layout: every row's bytes whole (NULs and the bytes
// after the entry included), each followed by CR LF.
void WritePlainContents(std::ostream& out, const ContentsRows& rows);
// One row of it: the bytes whole, then CR LF.
void WritePlainRow(std::ostream& out, std::string_view bytes);

// Files view, plain layout: per row the location, "DOS Path: " + its short
// form, "Size: " + the size text, and an empty line; every line ends in CR LF.
void WritePlainFiles(std::ostream& out, std::span<const IndexFileRow> rows,
                     const std::function<std::string(const std::string&)>& dosPath);

// What the items of an HTML page are: contents entries (Windows-1252 bytes)
// or native paths (the files view).
enum class HtmlItems { Entries, Paths };

// The HTML page of links, both views: UTF-8 throughout, declared by a
// <meta charset> ahead of any text, with its style inline so that the page
// works offline and fetches nothing. `contentsFile` is the file most recently
// extracted (empty before the first extraction); item(i) is row i. Every text
// reads as the lists show it: entries decoded from Windows-1252, paths kept as
// UTF-8 with U+FFFD for bytes that are not; a NUL in an item cuts it there.
// Entries and the file name come from untrusted files, so they are
// HTML-escaped.
void WriteHtml(std::ostream& out, std::string_view contentsFile, std::size_t count,
               const std::function<std::string_view(std::size_t)>& item,
               HtmlItems items = HtmlItems::Entries);

// The same page in three steps, for output written while the rows are still
// being found: the head (title, heading and the empty line after it), one
// link per item, and the end. WriteHtml is these three in turn.
void WriteHtmlHead(std::ostream& out, std::string_view contentsFile);
void WriteHtmlLink(std::ostream& out, std::string_view item, HtmlItems items = HtmlItems::Entries);
void WriteHtmlEnd(std::ostream& out);

// `text` with & < > " ' written as character references.
std::string EscapeHtml(std::string_view text);

}  // namespace tessaly
