#pragma once

#include <string>
#include <string_view>

// Small text and path utilities used from start-up on.
namespace tessaly {

// The words after the program's name joined by single spaces; "" when none.
std::string CommandLineText(int argc, const char* const* argv);

// The start-up path of a command-line text: every '"' removed wherever it
// stands, then leading and trailing spaces (only ' ') trimmed. A second word
// stays part of the path.
std::string StartupPath(std::string_view commandLineText);

// The message for a start-up path that names no file: the program's title and
// the whole path, so the user sees which file was sought.
std::string CouldNotLocateText(std::string_view title, std::string_view path);

// True when nothing but spaces is left; tabs and other blanks count as text.
bool IsBlank(std::string_view text);

// The part after the last separator; the whole path when it has none; ""
// when it ends in a separator or is empty.
std::string FileNameOf(std::string_view path);

// The part before the last separator (the root itself for a file in the
// root); "" when the path has none.
std::string FolderOf(std::string_view path);

// How numbers are stored as settings: the decimal text of the value held as
// a single-precision float, the shortest that reads back to the same float,
// never in exponent notation, no leading blank, no fractional part when
// whole ("1000", "2437.5", "-150").
std::string FormatSingle(double value);

// A stored number back: optional spaces, an optional sign, digits with at
// most one decimal point. Anything else ("", "abc", "12abc", "1e3", "inf",
// "nan", a number too large for a double) gives `fallback`.
double ParseSetting(std::string_view text, double fallback);

}  // namespace tessaly
