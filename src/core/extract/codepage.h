#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tessaly {

// Windows-1252 bytes as UTF-8, for display. The five bytes the code page
// leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control
// characters of the same number; NUL stays NUL.
std::string Cp1252ToUtf8(std::string_view bytes);

// The Windows-1252 bytes of UTF-8 text, so that typed text can be looked for
// in stored bytes; nullopt when the text is not valid UTF-8 or holds a
// character the code page has no byte for.
std::optional<std::string> Utf8ToCp1252(std::string_view utf8);

// The length of the well-formed UTF-8 sequence that begins `s` (1 for an
// ASCII byte), or 0 when none does: no overlong forms, no surrogates,
// nothing above U+10FFFF.
std::size_t Utf8SequenceLength(std::string_view s);

// Native text (file names and paths, UTF-8 on this system) made fit for a
// UTF-8 page: every well-formed UTF-8 sequence is kept, every byte that does
// not belong to one becomes U+FFFD, as the lists show such a name.
std::string NativeToUtf8(std::string_view bytes);

// Appends Cp1252ToUtf8(bytes) to `out`.
void AppendCp1252AsUtf8(std::string& out, std::string_view bytes);

// Appends NativeToUtf8(bytes) to `out`: text that must be UTF-8 (JSON, an
// HTML page) made from bytes that usually are, such as a file's path.
void AppendValidUtf8(std::string& out, std::string_view bytes);

}  // namespace tessaly
