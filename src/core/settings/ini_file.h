#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// An INI reader and writer that behaves, as seen from outside, like the
// Windows private-profile functions the settings file was designed around.
//
// Format: "[Section]" header lines, each followed by "key=value" lines.
// Section and key names match without regard to ASCII case and are read
// without the blanks (spaces, tabs) around them; a value may itself hold '='.
// Lines starting with ';' are comments. Lines that are neither a header nor
// hold a '=' are ignored. When a section or a key occurs more than once, the
// first occurrence in the file is the one read and the one replaced. Texts
// are bytes and are never re-encoded. Only a regular file (or a link to one)
// is a settings file: a FIFO, a device or a folder at the path is never
// opened for reading, reads as if it held no keys, and is never written or
// replaced.
namespace tessaly::ini {

// The longest value a read returns; longer values (and defaults) are cut.
inline constexpr std::size_t kMaxValueLength = 154;

// The value of `key` in `section`, or `def` when the file, the section or the
// key is missing (or the file cannot be read). The value comes back without
// surrounding blanks and without one pair of enclosing matching quotes ('...'
// or "..."), then cut to its first kMaxValueLength bytes; `def` is cut the
// same way. A key present with an empty value gives "", not `def`.
std::string ReadValue(const std::string& filePath, std::string_view section, std::string_view key,
                      std::string_view def);

// Sets `key` in `section` to `value`, creating the file, the section (at the
// end of the file) and the key (at the end of its section, before trailing
// blank lines) as needed. An existing key keeps its line and spelling; only
// the text after its '=' changes. Every other byte of the file is kept as it
// was; added lines end in CR LF. The new file is written beside the old one
// and renamed over it, so a failure (false) leaves the old file untouched.
// Names or values that the format cannot hold (line breaks, an empty key, a
// key holding '=' or starting with ';' or '[', a section name holding ']')
// are refused with false.
bool WriteValue(const std::string& filePath, std::string_view section, std::string_view key,
                std::string_view value);

}  // namespace tessaly::ini
