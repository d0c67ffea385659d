#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/safe_save.h"

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

// One key of a section and its value.
struct KeyValue {
    std::string key;
    std::string value;
    bool operator==(const KeyValue&) const = default;
};

// Every key of `section`, in file order, each with its value as ReadValue
// would return it but never cut: a section read has no length limit, so a
// long address survives (the 154-byte cut of ReadValue stays for single
// keys). Keys come back spelt as in the file, without the blanks around
// them. Every section of that name is read, in file order; a key that occurs
// more than once (in any letter case) counts at its first occurrence only.
// A missing or unreadable file, or a missing section, gives no keys.
std::vector<KeyValue> ReadSection(const std::string& filePath, std::string_view section);

// Makes `entries`, in that order, the keys of `section`. The key lines of
// every section of that name are taken out and the new ones stand together
// where the first section's first key line stood (after the first section's
// last line that is not blank when it had none; a missing section is added
// at the end of the file). A key whose value does not change keeps its old
// line byte for byte; every other line of the file (other sections, comments,
// blank lines, lines that are no key) is kept as it was. Added lines end in
// CR LF. Written safely, as WriteValue is; a failure says why and leaves the
// file as it was. Refused when a name or value cannot be held (as for
// WriteValue) or two entries name the same key. With no entries and no such
// section the file is left alone (and not made).
SaveResult WriteSection(const std::string& filePath, std::string_view section,
                        std::span<const KeyValue> entries);

}  // namespace tessaly::ini
